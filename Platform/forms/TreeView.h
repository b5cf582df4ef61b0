#pragma once

#include "Platform/forms/Control.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace vrx::forms {

class TTreeView;

/// A node of a tree view with its text, pictures and a pointer of the program's own (Data),
/// which the view never frees: the program does it in OnDeletion.
class TTreeNode {
public:
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index) { imageIndex_ = index; }
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int index) { selectedIndex_ = index; }

    /// The node above (null for a top-level node).
    TTreeNode* Parent() const { return parent_ && parent_->parent_ ? parent_ : nullptr; }
    int Count() const { return static_cast<int>(children_.size()); }
    TTreeNode* Item(int index) const { return children_.at(static_cast<size_t>(index)).get(); }
    int Index() const;
    int Level() const { return Parent() ? Parent()->Level() + 1 : 0; }
    bool Expanded() const;
    void Expand(bool recurse = false);
    void Collapse();
    /// Removes the node and its children, each announced to OnDeletion first.
    void Delete();
    void DeleteChildren();

private:
    friend class TTreeView;
    friend class TTreeNodes;
    TTreeNode(TTreeView& view, TTreeNode* parent);

    TTreeView& view_;
    TTreeNode* parent_;
    std::string text_;
    void* data_ = nullptr;
    int imageIndex_ = -1;
    int selectedIndex_ = -1;
    std::vector<std::unique_ptr<TTreeNode>> children_;
    QTreeWidgetItem* item_ = nullptr;
};

/// The nodes of a tree view.
class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView& view) : view_(view) {}

    /// Appends a node below the parent (at the top level for null).
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
    TTreeNode* AddChildObject(TTreeNode* parent, const std::string& text, void* data);
    /// Top-level nodes.
    int Count() const;
    TTreeNode* Item(int index) const;
    /// Every node, depth first.
    int TotalCount() const;
    /// Removes every node, each announced to OnDeletion.
    void Clear();
    /// Changes made between these calls are shown once, at the end.
    void BeginUpdate();
    void EndUpdate();

private:
    TTreeView& view_;
};

using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;

/// A tree of nodes.
class TTreeView : public TWinControl {
public:
    explicit TTreeView(TComponent* owner);
    ~TTreeView() override;

    TTreeNodes& Items() { return nodes_; }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);

    /// A node is about to go (its Data is still there to free).
    TTVExpandedEvent OnDeletion;
    /// The selected node changed.
    TTVExpandedEvent OnChange;

protected:
    void applyColor(const QColor& color) override;

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    QTreeWidget* tree() const;
    void deleting(TTreeNode& node);
    TTreeNode* nodeOf(QTreeWidgetItem* item) const;

    TTreeNodes nodes_{*this};
    std::unique_ptr<TTreeNode> root_;
    bool destroying_ = false;
};

} // namespace vrx::forms
