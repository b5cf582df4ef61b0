#include "Application/store/DatabaseError.h"
#include "Application/store/MemData.h"
#include "Application/store/RuleSchemas.h"
#include "Application/store/TableStream.h"
#include "Application/store/TableText.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Feeds arbitrary bytes to the loaders of the rule files, as a damaged or hostile file would
// deliver them after decryption: the table stream loader for both rule tables and the text
// loader for the port names. Errors the loaders report are expected; crashes, overruns and leaks
// are what the sanitizer looks for.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    TdxMemData app;
    DefineAppRulesFields(app);
    TdxMemData ip;
    DefineIPRulesFields(ip);
    TdxMemData protocol;
    DefineProtocolFields(protocol);
    for (TdxMemData* table : {&app, &ip}) {
        try {
            TableStream::Load(*table, bytes);
            for (int i = 0; i < table->RecordCount(); ++i)
                (void)table->RecordAt(i);
        } catch (const EDatabaseError&) {
        }
    }
    try {
        (void)TableStream::FieldNames(bytes);
    } catch (const EDatabaseError&) {
    }
    try {
        TableText::Load(protocol, std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const EDatabaseError&) {
    }
    return 0;
}
