#include "Application/resources/StringTable.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace {

// clang-format off
const std::unordered_map<int, std::string_view>& table() {
    static const std::unordered_map<int, std::string_view> entries = {
        {10001, "VORNEX防火墙个人版"},
        {10004, "( 无 )"},
        {20001, "是否允许 %s 访问网络？"},
        {20010, "操作：连接网络\r\n协议：TCP\r\n地址：%s\r\n端口：%s"},
        {20011, "操作：成为网络服务程序\r\n协议：%s\r\n端口：%s"},
        {20012, "操作：发送数据包\r\n协议：%s\r\n地址：%s\r\n端口：%s"},
        {20020, "名称：%s\r\n版本：%s\r\n创建：%s\r\n路径：%s"},
        {20021, "名称：%s\r\n创建：%s\r\n路径：%s"},
        {21001, "当 %s 对网络进行操作时，要符合下面规则:"},
        {30001, "确定删除该规则？"},
        {30002, "确定删除该规则？"},
        {30003, "重置安全规则为初始设置, 会删除你所加入的规则，确定吗？"},
        {30101, "该规则已经被修改，是否保存？"},
        {30200, "在 %s 端口监听"},
        {30201, "禁止监听 "},
        {30202, "试图在 %s 端口监听，但被禁止 "},
        {30205, " %s 已连接 %s 端口，发送 %d 字节,接收 %d 字节"},
        {30206, "已连接 %s 的 %s 端口,发送 %d 字节,接收 %d 字节"},
        {30207, "正在尝试与 %s 的 %s 端口建立连接"},
        {30208, "已经断开与 %s 的 %s 端口的连接"},
        {30230, "目的IP %s, 端口%s"},
        {31040, "SYSTEM"},
        {31041, "（无）"},
        {32001, "\r\n    安全级别：低 \r\n  \r\n      所有应用程序初次访问网络时都将询问，\r\n  已经被认可的程序则按照设置的相应规则运作。\r\n  \r\n      计算机完全信任局域网, 允许局域网内\r\n  部的机器访问自己提供的各种服务,(如文件、\r\n  打印机共享服务),但禁止互联网上的机器访\r\n  问这些服务。\r\n"},
        {32002, "\r\n      安全级别：中 \r\n  \r\n      所有应用程序初次访问网络时都将询问，已\r\n  经被认可的程序则按照设置的相应规则运作。\r\n  \r\n      局域网内部的机器只允许访问网络共享服务\r\n （文件、打印机共享服务）, 但不允许访问其他服 \r\n  务( 如HTTP , FTP等 )，同时禁止互联网上的机 \r\n  器访问所有这些服务。 \r\n      开放动态规则管理，允许授权运行的程序开 \r\n  放的端口服务。"},
        {32003, "\r\n      安全级别：高 \r\n  \r\n      所有应用程序初次访问网络时都将询问，\r\n  已经被认可的程序则按照设置的相应规则运作。\r\n  \r\n      系统会屏蔽掉向外部开放的所有端口，禁止 \r\n  局域网内部和互连网的机器访问自己提供的网络 \r\n  共享服务（文件、打印机共享服务），局域网和 \r\n  互连网上的机器将无法看到本机器。\r\n"},
        {32004, "\r\n      安全级别：自定义 \r\n  \r\n      所有应用程序初次访问网络时都将询问，\r\n  已经被认可的程序则按照设置的相应规则运作。\r\n  \r\n     如果你了解TCP/IP协议，你可以自己设置IP\r\n  规则，注意，设置规则不正确会导致你无法访问\r\n  网络。\r\n"},
        {33000, " 接收到 %s 的 %s 数据包，"},
        {33001, " 发送到 %s 的 %s 数据包，"},
        {33002, "           本机端口: %s ，\r\n           对方端口: %s ，\r\n           TCP标志: %s "},
        {33003, "           本机端口: %s ，\r\n           对方端口: %s "},
        {33004, "           类型: %d ， 代码: %d，"},
        {33005, "           该包允许通行。"},
        {33006, "           该包被拦截。"},
        {33007, "           继续下一规则。"},
        {33010, " 本机试图连接%s的%s端口，\r\n           TCP标志：%s，"},
        {33011, " %s试图连接本机的%s端口，\r\n           TCP标志：%s，"},
        {33012, " 本机应答 %s 的%s端口，\r\n           TCP标志：%s，"},
        {33013, " %s 应答本机的%s端口，\r\n           TCP标志：%s"},
        {33014, " 本机的 %s 端口断开 %s 的连接，\r\n           TCP标志：%s"},
        {33015, " %s 的 %s 端口断开与本机连接，\r\n           TCP标志：%s"},
        {33016, " 本机的 %s 端口停止向 %s 发送数据，\r\n           TCP标志：%s"},
        {33017, " %s 的%s 端口停止对本机发送数据，\r\n           TCP标志：%s"},
        {33018, " %s 尝试用Ping 来探测本机，"},
        {33030, "           该操作被允许。"},
        {33031, "           该操作被拒绝。"},
        {40002, "取消设置变更？"},
        {50001, "端口数值必须在 1 到 65535 之间 "},
        {50002, " 驱动程序版本不对！\r\n 当前版本：%2.2X , 要求版本 %2.2X \r\n 请重新启动一次机器，或反安装旧的程序后重新安装。"},
        {50003, "无法打开驱动程序！"},
        {60001, "任何"},
        {60002, "局域网"},
        {60010, "任何端口"},
    };
    return entries;
}
// clang-format on

/// A placeholder as the format text spells it: %[flags][width][.precision]conversion.
struct Placeholder {
    bool leftAlign = false;
    bool zeroPad = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    std::size_t width = 0;
    bool hasPrecision = false;
    std::size_t precision = 0;
    char conversion = 0;
};

/// Number of code points of UTF-8 text, so that widths and precisions count characters and a
/// cut never splits one.
std::size_t codePoints(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string_view firstCodePoints(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (seen == count)
                return text.substr(0, i);
            ++seen;
        }
    }
    return text;
}

std::string digits(std::uint64_t value, unsigned base, bool upper) {
    const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), symbols[value % base]);
        value /= base;
    } while (value != 0);
    return out;
}

void pad(std::string& out, const Placeholder& placeholder, std::string_view body,
         std::size_t bodyWidth) {
    const std::size_t fill = placeholder.width > bodyWidth ? placeholder.width - bodyWidth : 0;
    if (!placeholder.leftAlign)
        out.append(fill, ' ');
    out.append(body);
    if (placeholder.leftAlign)
        out.append(fill, ' ');
}

void appendText(std::string& out, const Placeholder& placeholder, std::string_view text) {
    if (placeholder.hasPrecision)
        text = firstCodePoints(text, placeholder.precision);
    pad(out, placeholder, text, codePoints(text));
}

/// Negative numbers shown without sign (%u, %x, %X) take the 32-bit two's complement when they
/// fit in 32 bits, as the platform's 32-bit integers do.
std::uint64_t asUnsigned(std::int64_t value) {
    if (value < 0 && value >= INT32_MIN)
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    return static_cast<std::uint64_t>(value);
}

void appendNumber(std::string& out, const Placeholder& placeholder, bool negative,
                  std::uint64_t magnitude) {
    const bool hex = placeholder.conversion == 'x' || placeholder.conversion == 'X';
    const bool isSigned = placeholder.conversion == 'd' || placeholder.conversion == 'i';
    std::string number = digits(magnitude, hex ? 16 : 10, placeholder.conversion == 'X');
    if (placeholder.hasPrecision && placeholder.precision == 0 && magnitude == 0)
        number.clear();
    if (placeholder.hasPrecision && number.size() < placeholder.precision)
        number.insert(0, placeholder.precision - number.size(), '0');
    std::string_view prefix;
    if (isSigned && negative)
        prefix = "-";
    else if (isSigned && placeholder.plusSign)
        prefix = "+";
    else if (isSigned && placeholder.spaceSign)
        prefix = " ";
    else if (hex && placeholder.alternate && magnitude != 0)
        prefix = placeholder.conversion == 'X' ? "0X" : "0x";
    std::size_t zeros = 0;
    if (placeholder.zeroPad && !placeholder.leftAlign && !placeholder.hasPrecision &&
        prefix.size() + number.size() < placeholder.width)
        zeros = placeholder.width - prefix.size() - number.size();
    // Built by appending: the sign, the zeros, the digits.
    std::string body;
    body.reserve(prefix.size() + zeros + number.size());
    body.append(prefix);
    body.append(zeros, '0');
    body.append(number);
    pad(out, placeholder, body, body.size());
}

void appendArg(std::string& out, const Placeholder& placeholder, const FormatArg& arg) {
    const FormatArg::Value& value = arg.value();
    if (const auto* text = std::get_if<std::string>(&value)) {
        appendText(out, placeholder, *text);
        return;
    }
    bool negative = false;
    std::uint64_t magnitude = 0;
    std::uint64_t bits = 0;
    if (const auto* s = std::get_if<std::int64_t>(&value)) {
        negative = *s < 0;
        magnitude = negative ? 0 - static_cast<std::uint64_t>(*s) : static_cast<std::uint64_t>(*s);
        bits = asUnsigned(*s);
    } else {
        magnitude = bits = std::get<std::uint64_t>(value);
    }
    switch (placeholder.conversion) {
    case 'd':
    case 'i':
        appendNumber(out, placeholder, negative, magnitude);
        break;
    case 'u':
    case 'x':
    case 'X':
        appendNumber(out, placeholder, false, bits);
        break;
    default: { // %s of a number: its decimal text
        std::string text = negative ? "-" : "";
        text.append(digits(magnitude, 10, false));
        appendText(out, placeholder, text);
    }
    }
}

std::size_t readNumber(std::string_view format, std::size_t& pos) {
    std::size_t value = 0;
    while (pos < format.size() && format[pos] >= '0' && format[pos] <= '9') {
        value =
            std::min<std::size_t>(value * 10 + static_cast<std::size_t>(format[pos] - '0'), 4096);
        ++pos;
    }
    return value;
}

} // namespace

std::string LoadStr(int id) {
    const auto found = table().find(id);
    return found == table().end() ? std::string() : std::string(found->second);
}

namespace string_table_detail {

std::string format(int id, std::span<const FormatArg> args) {
    const std::string format = LoadStr(id);
    std::string out;
    std::size_t next = 0;
    std::size_t pos = 0;
    while (pos < format.size()) {
        const char c = format[pos];
        if (c != '%') {
            out += c;
            ++pos;
            continue;
        }
        const std::size_t start = pos++;
        if (pos < format.size() && format[pos] == '%') {
            out += '%';
            ++pos;
            continue;
        }
        Placeholder placeholder;
        for (; pos < format.size(); ++pos) {
            const char flag = format[pos];
            if (flag == '-')
                placeholder.leftAlign = true;
            else if (flag == '0')
                placeholder.zeroPad = true;
            else if (flag == '+')
                placeholder.plusSign = true;
            else if (flag == ' ')
                placeholder.spaceSign = true;
            else if (flag == '#')
                placeholder.alternate = true;
            else
                break;
        }
        placeholder.width = readNumber(format, pos);
        if (pos < format.size() && format[pos] == '.') {
            ++pos;
            placeholder.hasPrecision = true;
            placeholder.precision = readNumber(format, pos);
        }
        if (pos < format.size())
            placeholder.conversion = format[pos];
        switch (placeholder.conversion) {
        case 's':
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
            ++pos;
            if (next < args.size())
                appendArg(out, placeholder, args[next]);
            ++next;
            break;
        default:
            // Not a placeholder this formatter knows: the text stays as it is.
            out.append(format, start, pos - start);
        }
    }
    return out;
}

} // namespace string_table_detail
