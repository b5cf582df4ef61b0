#pragma once

#include <ostream>
#include <string>
#include <vector>

/// The rules tool: reads and writes the program's encrypted rule files for users who back up,
/// inspect, script and repair their rules.
///
///   vornexfw-rules dump [--table app|ip] FILE
///       prints the table stored in FILE as a JSON array of objects in table order, one key per
///       field in stored order: strings as strings, numbers as numbers, booleans as true/false,
///       nulls as null. The table (application or IP rules) is recognised by its fields unless
///       --table names it.
///   vornexfw-rules load --table app|ip JSONFILE FILE
///       writes such JSON into FILE (creating it if need be) exactly as the program saves that
///       table.
///   vornexfw-rules config show FILE | config write JSONFILE FILE
///       the settings of an enciphered configuration file (see ConfigCommand.h).
///   vornexfw-rules compile --level N [--rules-dir DIR] [--local-ip A]...
///       prints the filter table the program sends the driver for security level N (3: the
///       user's IPRule.dat, otherwise DftIPRule.dat, from DIR or the program's rules folder),
///       one 34-byte record a line as 68 hexadecimal digits; --local-ip gives the local network
///       addresses that local network rules expand to, in order.
///
/// Bad input gets one line on the error stream and exit status 1; FILE is then not touched.
namespace RulesTool {

/// Runs the tool on its arguments (without the program name); returns the exit status.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace RulesTool
