#include "Application/store/FileText.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr unsigned char kCp936Euro = 0x80;

bool IsLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
bool IsTwoByteTrail(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}
bool IsFourByteDigit(unsigned char b) {
    return b >= 0x30 && b <= 0x39;
}

// The length of the character that starts at pos: 1, 2 or 4 bytes. A byte that starts no valid
// sequence counts as one character of its own, so the walk always moves on.
std::size_t SequenceLength(std::string_view s, std::size_t pos) {
    const auto b = static_cast<unsigned char>(s[pos]);
    if (!IsLeadByte(b))
        return 1;
    if (pos + 1 >= s.size())
        return 1;
    const auto b1 = static_cast<unsigned char>(s[pos + 1]);
    if (IsTwoByteTrail(b1))
        return 2;
    if (IsFourByteDigit(b1) && pos + 3 < s.size() &&
        IsLeadByte(static_cast<unsigned char>(s[pos + 2])) &&
        IsFourByteDigit(static_cast<unsigned char>(s[pos + 3])))
        return 4;
    return 1;
}

QString DecodeGb18030(std::string_view bytes) {
    QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw std::runtime_error("GB18030 text conversion is not available");
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace

bool IsPlainAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string EncodeFileText(std::string_view utf8) {
    if (IsPlainAscii(utf8))
        return std::string(utf8);
    QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        throw std::runtime_error("GB18030 text conversion is not available");
    const QByteArray bytes =
        encoder.encode(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    return bytes.toStdString();
}

std::string DecodeFileText(std::string_view encoded) {
    if (IsPlainAscii(encoded))
        return std::string(encoded);
    // Code page 936's euro byte is cut out and decoded by hand; everything between is GB18030.
    QString text;
    std::size_t segmentStart = 0;
    std::size_t pos = 0;
    while (pos < encoded.size()) {
        if (static_cast<unsigned char>(encoded[pos]) == kCp936Euro) {
            text += DecodeGb18030(encoded.substr(segmentStart, pos - segmentStart));
            text += QChar(0x20AC);
            ++pos;
            segmentStart = pos;
            continue;
        }
        pos += SequenceLength(encoded, pos);
    }
    text += DecodeGb18030(encoded.substr(segmentStart));
    return text.toStdString();
}

std::size_t FileTextCutLength(std::string_view encoded, std::size_t maxBytes) {
    if (encoded.size() <= maxBytes)
        return encoded.size();
    std::size_t pos = 0;
    while (pos < encoded.size()) {
        const std::size_t next = pos + SequenceLength(encoded, pos);
        if (next > maxBytes)
            break;
        pos = next;
    }
    return pos;
}

std::string CutToFileTextSize(std::string_view utf8, std::size_t maxBytes) {
    if (IsPlainAscii(utf8))
        return std::string(utf8.substr(0, std::min(maxBytes, utf8.size())));
    const std::string encoded = EncodeFileText(utf8);
    const std::size_t keep = FileTextCutLength(encoded, maxBytes);
    return DecodeFileText(std::string_view(encoded).substr(0, keep));
}
