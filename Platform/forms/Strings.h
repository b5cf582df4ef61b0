#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vrx::forms {

/// A list of text lines, the contents of memos, combo boxes and radio groups.
class TStrings {
public:
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Add(const std::string& line) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    /// All lines, each ended by CR LF.
    virtual std::string Text() const;
    /// Replaces the lines; CR LF, LF and CR all end a line.
    virtual void SetText(const std::string& text);
    /// Changes made between these calls are shown once, at the end.
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}

    std::string operator[](int index) const { return Get(index); }
    int IndexOf(const std::string& line) const;
    void Assign(const std::vector<std::string>& lines);
    std::vector<std::string> ToVector() const;
};

/// Lines held in memory; OnChange tells the control that shows them.
class TStringList : public TStrings {
public:
    int Count() const override { return static_cast<int>(lines_.size()); }
    std::string Get(int index) const override { return lines_.at(static_cast<size_t>(index)); }
    void Add(const std::string& line) override;
    void Delete(int index) override;
    void Clear() override;
    void SetText(const std::string& text) override;
    void BeginUpdate() override { ++updating_; }
    void EndUpdate() override;

    std::function<void()> OnChange;

private:
    void changed();

    std::vector<std::string> lines_;
    int updating_ = 0;
    bool pending_ = false;
};

} // namespace vrx::forms
