#include "tools/rules/RulesTool.h"

#include <iostream>

int main(int argc, char** argv) {
    return RulesTool::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
