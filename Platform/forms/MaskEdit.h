#pragma once

#include "Platform/forms/StdCtrls.h"

#include <string>
#include <vector>

namespace vrx::forms {

/// An edit that takes its text through an input mask such as "999\.999\.999\.999;1; ": the
/// mask's characters ('0' a digit that must be given, '9' a digit that may be left out, 'L'
/// and 'l' letters, 'A' and 'a' letters or digits, '\' before a literal), then whether the
/// literals stay in Text ("1") or not ("0"), then the character that shows an empty position.
/// Text holds one character per position, blanks where nothing was typed.
class TMaskEdit : public TCustomEdit {
public:
    explicit TMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(const std::string& mask);

    std::string Text() const override;
    /// Fills the positions in order: a literal of the mask is kept where the text has it,
    /// other characters go into the next input positions.
    void SetText(const std::string& text) override;

private:
    struct Position {
        bool literal = false;
        char ch = 0; // the literal, or the mask character of an input position
    };

    std::string editMask_;
    std::vector<Position> positions_;
    bool keepLiterals_ = true;
    char blank_ = ' ';
};

} // namespace vrx::forms
