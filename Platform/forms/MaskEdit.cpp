#include "Platform/forms/MaskEdit.h"

#include <QLineEdit>

#include <cctype>

namespace vrx::forms {

namespace {

/// The Qt input mask character for a mask character of ours.
char qtMaskChar(char c) {
    switch (c) {
    case '0':
        return '9'; // a digit that must be given
    case '9':
        return '0'; // a digit that may be left out
    case 'L':
    case 'l':
    case 'A':
    case 'a':
        return c;
    default:
        return 'X';
    }
}

bool qtSpecial(char c) {
    return std::string("AaNnXx90Dd#HhBb><![]{}\\").find(c) != std::string::npos;
}

bool accepts(char maskChar, char c) {
    const auto uc = static_cast<unsigned char>(c);
    switch (maskChar) {
    case '0':
    case '9':
        return std::isdigit(uc) || c == ' ';
    case 'L':
    case 'l':
        return std::isalpha(uc) || c == ' ';
    case 'A':
    case 'a':
        return std::isalnum(uc) || c == ' ';
    default:
        return true;
    }
}

} // namespace

void TMaskEdit::SetEditMask(const std::string& mask) {
    editMask_ = mask;
    positions_.clear();
    // The mask text runs up to the first unescaped ';'; then the two settings.
    size_t i = 0;
    for (; i < mask.size() && mask[i] != ';'; ++i) {
        if (mask[i] == '\\' && i + 1 < mask.size())
            positions_.push_back({true, mask[++i]});
        else if (std::string("09LlAa").find(mask[i]) != std::string::npos)
            positions_.push_back({false, mask[i]});
        else
            positions_.push_back({true, mask[i]});
    }
    keepLiterals_ = true;
    blank_ = ' ';
    if (i < mask.size()) {
        const size_t next = mask.find(';', i + 1);
        keepLiterals_ = mask.substr(i + 1, next - i - 1) != "0";
        if (next != std::string::npos && next + 1 < mask.size())
            blank_ = mask[next + 1];
    }
    QString qt;
    for (const Position& p : positions_) {
        if (p.literal) {
            if (qtSpecial(p.ch))
                qt += '\\';
            qt += QChar(p.ch);
        } else {
            qt += QChar(qtMaskChar(p.ch));
        }
    }
    if (!positions_.empty())
        qt += QStringLiteral(";") + QChar(blank_);
    edit()->setInputMask(qt);
}

std::string TMaskEdit::Text() const {
    if (positions_.empty())
        return TCustomEdit::Text();
    // The shown text has a character for every position, the blank character where nothing
    // was typed; Text gives blanks there.
    const std::string shown = edit()->displayText().toStdString();
    std::string text;
    for (size_t i = 0; i < positions_.size() && i < shown.size(); ++i) {
        if (positions_[i].literal) {
            if (keepLiterals_)
                text += positions_[i].ch;
        } else {
            text += shown[i] == blank_ ? ' ' : shown[i];
        }
    }
    return text;
}

void TMaskEdit::SetText(const std::string& text) {
    if (positions_.empty()) {
        TCustomEdit::SetText(text);
        return;
    }
    std::string filled;
    size_t t = 0;
    for (const Position& p : positions_) {
        if (p.literal) {
            filled += p.ch;
            if (keepLiterals_ && t < text.size() && text[t] == p.ch)
                ++t;
            continue;
        }
        // An input position takes the next character it accepts; a literal of the text that
        // is due later leaves this position blank.
        char c = ' ';
        if (t < text.size() && accepts(p.ch, text[t]))
            c = text[t++];
        filled += c == ' ' ? blank_ : c;
    }
    edit()->setText(QString::fromStdString(filled));
}

} // namespace vrx::forms
