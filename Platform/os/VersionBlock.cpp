#include "Platform/os/VersionBlock.h"

#include "Platform/os/LittleEndian.h"

#include <QString>

#include <optional>

namespace vrx::os::version_block {

namespace {

constexpr std::size_t align4(std::size_t value) {
    return (value + 3) & ~std::size_t{3};
}

// ---- Writing ----------------------------------------------------------------------------

class Writer {
public:
    std::vector<std::uint8_t> bytes;

    void u16(std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void utf16(const std::string& text) {
        for (const char16_t unit : QString::fromStdString(text).toStdU16String())
            u16(static_cast<std::uint16_t>(unit));
        u16(0);
    }
    void patchU32(std::size_t offset, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void pad() {
        while (bytes.size() % 4)
            bytes.push_back(0);
    }

    /// Starts a node; returns its offset for finish().
    std::size_t begin(const std::string& key, std::uint16_t valueLength, std::uint16_t type) {
        pad();
        const std::size_t start = bytes.size();
        u16(0);
        u16(valueLength);
        u16(type);
        utf16(key);
        pad();
        return start;
    }
    void finish(std::size_t start) {
        const auto length = static_cast<std::uint16_t>(bytes.size() - start);
        bytes[start] = static_cast<std::uint8_t>(length);
        bytes[start + 1] = static_cast<std::uint8_t>(length >> 8);
    }
};

void writeFixed(Writer& w, const FixedFileInfo& f) {
    for (const std::uint32_t v :
         {f.dwSignature, f.dwStrucVersion, f.dwFileVersionMS, f.dwFileVersionLS,
          f.dwProductVersionMS, f.dwProductVersionLS, f.dwFileFlagsMask, f.dwFileFlags, f.dwFileOS,
          f.dwFileType, f.dwFileSubtype, f.dwFileDateMS, f.dwFileDateLS})
        w.u32(v);
}

// ---- Reading ----------------------------------------------------------------------------

/// One node of a resource, with every extent checked against its parent.
struct Node {
    std::size_t offset = 0;
    std::size_t end = 0; // offset + wLength
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0;
    std::u16string key;
    std::size_t valueOffset = 0;
    std::size_t valueEnd = 0; // clamped to the node
    std::size_t childrenOffset = 0;
};

std::optional<Node> readNode(std::span<const std::uint8_t> block, std::size_t offset,
                             std::size_t limit) {
    if (offset + kNodeHeaderSize > limit)
        return std::nullopt;
    Node node;
    node.offset = offset;
    const std::size_t length = readU16(&block[offset]);
    if (length < kNodeHeaderSize || offset + length > limit)
        return std::nullopt;
    node.end = offset + length;
    node.valueLength = readU16(&block[offset + 2]);
    node.type = readU16(&block[offset + 4]);
    std::size_t p = offset + kNodeHeaderSize;
    for (;; p += 2) {
        if (p + 2 > node.end)
            return std::nullopt; // the key runs out of the node: not a node
        const std::uint16_t unit = readU16(&block[p]);
        if (unit == 0)
            break;
        node.key.push_back(static_cast<char16_t>(unit));
    }
    const std::size_t valueBytes =
        node.type == 1 ? std::size_t{node.valueLength} * 2 : std::size_t{node.valueLength};
    node.valueOffset = std::min(align4(p + 2), node.end);
    node.valueEnd = std::min(node.valueOffset + valueBytes, node.end);
    node.childrenOffset = std::min(align4(node.valueOffset + valueBytes), node.end);
    return node;
}

std::vector<Node> children(std::span<const std::uint8_t> block, const Node& parent) {
    std::vector<Node> result;
    std::size_t offset = parent.childrenOffset;
    while (auto child = readNode(block, offset, parent.end)) {
        offset = align4(child->end);
        result.push_back(std::move(*child));
    }
    return result;
}

/// The nodes of a string table are its texts by position, whatever their type says (some
/// resource compilers write 0); elsewhere a text is a leaf of type 1.
enum class Position { StringTableEntry, Elsewhere };

bool isText(std::span<const std::uint8_t> block, const Node& node, Position position) {
    if (position == Position::StringTableEntry)
        return true;
    return node.type == 1 && !readNode(block, node.childrenOffset, node.end);
}

/// A text runs from its value to its first NUL or the node's end; the value length is not
/// trusted, since compilers disagree whether it counts characters or bytes.
std::string textOf(std::span<const std::uint8_t> block, const Node& node) {
    std::u16string text;
    for (std::size_t p = node.valueOffset; p + 2 <= node.end; p += 2) {
        const std::uint16_t unit = readU16(&block[p]);
        if (unit == 0)
            break;
        text.push_back(static_cast<char16_t>(unit));
    }
    return QString::fromStdU16String(text).toStdString();
}

bool sameName(const std::u16string& key, std::string_view name);

/// Where a node at a depth lies (the root at 0): the entries of a string table, at depth 3 below
/// "StringFileInfo", are its texts.
Position positionAt(int depth, bool inStringFileInfo) {
    return depth == 3 && inStringFileInfo ? Position::StringTableEntry : Position::Elsewhere;
}

void collectTexts(std::span<const std::uint8_t> block, const Node& node, int depth,
                  bool inStringFileInfo, Position position,
                  std::vector<std::pair<std::size_t, std::string>>& texts) {
    if (depth > kMaxDepth)
        return;
    if (depth > 0 && isText(block, node, position)) {
        texts.emplace_back(node.offset, textOf(block, node));
        return;
    }
    for (const Node& child : children(block, node)) {
        const bool strings =
            inStringFileInfo || (depth == 0 && sameName(child.key, "StringFileInfo"));
        collectTexts(block, child, depth + 1, strings, positionAt(depth + 1, strings), texts);
    }
}

bool sameName(const std::u16string& key, std::string_view name) {
    return QString::fromStdU16String(key).compare(
               QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
               Qt::CaseInsensitive) == 0;
}

} // namespace

std::string tableKey(std::uint16_t language, std::uint16_t codePage) {
    static const char digits[] = "0123456789ABCDEF";
    const std::uint32_t value = (std::uint32_t{language} << 16) | codePage;
    std::string key(8, '0');
    for (int i = 0; i < 8; ++i)
        key[static_cast<std::size_t>(i)] = digits[(value >> (28 - 4 * i)) & 0xF];
    return key;
}

std::vector<std::uint8_t> write(const VersionInfo& info) {
    Writer w;
    const std::size_t root = w.begin("VS_VERSION_INFO", sizeof(FixedFileInfo), 0);
    writeFixed(w, info.fixed);
    if (!info.tables.empty()) {
        const std::size_t stringInfo = w.begin("StringFileInfo", 0, 1);
        for (const StringTable& table : info.tables) {
            const std::size_t tableNode = w.begin(table.key, 0, 1);
            for (const auto& [key, text] : table.values) {
                const auto characters =
                    static_cast<std::uint16_t>(QString::fromStdString(text).size() + 1);
                const std::size_t node = w.begin(key, characters, 1);
                w.utf16(text);
                w.finish(node);
            }
            w.finish(tableNode);
        }
        w.finish(stringInfo);
    }
    if (!info.translations.empty()) {
        const std::size_t varInfo = w.begin("VarFileInfo", 0, 1);
        const std::size_t var =
            w.begin("Translation", static_cast<std::uint16_t>(4 * info.translations.size()), 0);
        for (const auto& [language, codePage] : info.translations) {
            w.u16(language);
            w.u16(codePage);
        }
        w.finish(var);
        w.finish(varInfo);
    }
    w.finish(root);
    return w.bytes;
}

std::vector<std::uint8_t> makeQueryable(std::span<const std::uint8_t> resource) {
    const auto root = readNode(resource, 0, resource.size());
    if (!root)
        return {};
    std::vector<std::pair<std::size_t, std::string>> texts;
    collectTexts(resource, *root, 0, false, Position::Elsewhere, texts);

    std::vector<std::uint8_t> block(resource.begin(), resource.begin() + root->end);
    block.resize(align4(block.size()), 0);
    Writer w;
    w.u32(kTextAreaMagic);
    w.u32(0); // size, filled below
    w.u32(static_cast<std::uint32_t>(texts.size()));
    std::size_t textOffset = kTextAreaHeaderSize + kTextEntrySize * texts.size();
    for (const auto& [node, text] : texts) {
        w.u32(static_cast<std::uint32_t>(node));
        w.u32(static_cast<std::uint32_t>(textOffset));
        w.u32(static_cast<std::uint32_t>(text.size()));
        textOffset += text.size() + 1;
    }
    for (const auto& [node, text] : texts) {
        w.bytes.insert(w.bytes.end(), text.begin(), text.end());
        w.bytes.push_back(0);
    }
    w.pad();
    w.patchU32(4, static_cast<std::uint32_t>(w.bytes.size()));
    block.insert(block.end(), w.bytes.begin(), w.bytes.end());
    return block;
}

bool query(const void* blockPointer, std::string_view subBlock, const void** buffer,
           std::uint32_t* length) {
    if (blockPointer == nullptr || buffer == nullptr || length == nullptr)
        return false;
    *buffer = nullptr;
    *length = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(blockPointer);
    // The resource's own length bounds every node; the text area follows it.
    const std::size_t resourceLength = readU16(bytes);
    const std::span<const std::uint8_t> resource(bytes, resourceLength);
    auto node = readNode(resource, 0, resourceLength);
    if (!node)
        return false;

    int depth = 0;
    bool inStringFileInfo = false;
    Position position = Position::Elsewhere;
    while (!subBlock.empty()) {
        const auto separator = subBlock.find('\\');
        const std::string_view name = subBlock.substr(0, separator);
        subBlock = separator == std::string_view::npos ? std::string_view{}
                                                       : subBlock.substr(separator + 1);
        if (name.empty())
            continue;
        // A text has no children to look into.
        if (depth > 0 && isText(resource, *node, position))
            return false;
        std::optional<Node> found;
        for (Node& child : children(resource, *node))
            if (sameName(child.key, name)) {
                found = std::move(child);
                break;
            }
        if (!found)
            return false;
        if (depth == 0)
            inStringFileInfo = sameName(found->key, "StringFileInfo");
        node = std::move(found);
        ++depth;
        position = positionAt(depth, inStringFileInfo);
    }

    if (depth > 0 && isText(resource, *node, position)) {
        const std::uint8_t* area = bytes + align4(resourceLength);
        if (readU32(area) != kTextAreaMagic)
            return false;
        const std::uint32_t areaSize = readU32(area + 4);
        const std::uint32_t count = readU32(area + 8);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t entry = kTextAreaHeaderSize + kTextEntrySize * std::size_t{i};
            if (entry + kTextEntrySize > areaSize)
                return false;
            if (readU32(area + entry) != node->offset)
                continue;
            const std::size_t text = readU32(area + entry + 4);
            const std::size_t textLength = readU32(area + entry + 8);
            if (text + textLength + 1 > areaSize || area[text + textLength] != 0)
                return false;
            *buffer = area + text;
            *length = static_cast<std::uint32_t>(textLength + 1);
            return true;
        }
        return false;
    }

    const std::size_t valueBytes = node->valueEnd - node->valueOffset;
    if (valueBytes == 0)
        return false;
    // The fixed information is read as a whole record, so only a record of exactly its size
    // that carries its signature is given out.
    if (node->offset == 0 &&
        (node->valueLength != sizeof(FixedFileInfo) || valueBytes != sizeof(FixedFileInfo) ||
         readU32(bytes + node->valueOffset) != kFixedInfoSignature))
        return false;
    *buffer = bytes + node->valueOffset;
    *length = static_cast<std::uint32_t>(valueBytes);
    return true;
}

} // namespace vrx::os::version_block
