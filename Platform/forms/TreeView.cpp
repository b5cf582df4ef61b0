#include "Platform/forms/TreeView.h"

#include "Platform/forms/ExceptionGuard.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>
#include <functional>

namespace vrx::forms {

namespace {

constexpr int NodeRole = Qt::UserRole + 1;

} // namespace

TTreeNode::TTreeNode(TTreeView& view, TTreeNode* parent) : view_(view), parent_(parent) {}

void TTreeNode::SetText(const std::string& text) {
    text_ = text;
    if (item_)
        item_->setText(0, QString::fromStdString(text));
}

int TTreeNode::Index() const {
    if (!parent_)
        return 0;
    const auto& siblings = parent_->children_;
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

bool TTreeNode::Expanded() const {
    return item_ && item_->isExpanded();
}

void TTreeNode::Expand(bool recurse) {
    if (item_)
        item_->setExpanded(true);
    if (recurse)
        for (auto& child : children_)
            child->Expand(true);
}

void TTreeNode::Collapse() {
    if (item_)
        item_->setExpanded(false);
}

void TTreeNode::DeleteChildren() {
    while (!children_.empty())
        children_.back()->Delete();
}

void TTreeNode::Delete() {
    DeleteChildren();
    view_.deleting(*this);
    if (!parent_)
        return; // the invisible root is never removed
    delete item_;
    item_ = nullptr;
    auto& siblings = parent_->children_;
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [this](const auto& p) { return p.get() == this; });
    if (it != siblings.end())
        siblings.erase(it); // destroys this node: nothing may follow
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
    return AddChildObject(parent, text, nullptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const std::string& text, void* data) {
    TTreeNode* under = parent ? parent : view_.root_.get();
    auto node = std::unique_ptr<TTreeNode>(new TTreeNode(view_, under));
    node->data_ = data;
    if (under == view_.root_.get())
        node->item_ = new QTreeWidgetItem(view_.tree());
    else
        node->item_ = new QTreeWidgetItem(under->item_);
    node->item_->setData(0, NodeRole, QVariant::fromValue(static_cast<void*>(node.get())));
    node->SetText(text);
    under->children_.push_back(std::move(node));
    return under->children_.back().get();
}

int TTreeNodes::Count() const {
    return view_.root_->Count();
}
TTreeNode* TTreeNodes::Item(int index) const {
    return view_.root_->Item(index);
}

int TTreeNodes::TotalCount() const {
    std::function<int(const TTreeNode&)> count = [&](const TTreeNode& n) {
        int total = 0;
        for (const auto& child : n.children_)
            total += 1 + count(*child);
        return total;
    };
    return count(*view_.root_);
}

void TTreeNodes::Clear() {
    view_.root_->DeleteChildren();
}
void TTreeNodes::BeginUpdate() {
    view_.tree()->setUpdatesEnabled(false);
}
void TTreeNodes::EndUpdate() {
    view_.tree()->setUpdatesEnabled(true);
}

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner, new QTreeWidget) {
    root_ = std::unique_ptr<TTreeNode>(new TTreeNode(*this, nullptr));
    tree()->setHeaderHidden(true);
    tree()->setColumnCount(1);
    observe(tree()->viewport());
    QObject::connect(tree(), &QTreeWidget::currentItemChanged, [this](QTreeWidgetItem* item) {
        if (OnChange && !destroying_)
            guarded([&] { OnChange(this, nodeOf(item)); });
    });
    SetColor(clWindow);
}

TTreeView::~TTreeView() {
    // Every node is announced before the view goes, so the program can free its Data.
    destroying_ = true;
    root_->DeleteChildren();
}

QTreeWidget* TTreeView::tree() const {
    return static_cast<QTreeWidget*>(Widget());
}

void TTreeView::deleting(TTreeNode& node) {
    if (&node != root_.get() && OnDeletion)
        guarded([&] { OnDeletion(this, &node); });
}

TTreeNode* TTreeView::nodeOf(QTreeWidgetItem* item) const {
    return item ? static_cast<TTreeNode*>(item->data(0, NodeRole).value<void*>()) : nullptr;
}

TTreeNode* TTreeView::Selected() const {
    return nodeOf(tree()->currentItem());
}

void TTreeView::SetSelected(TTreeNode* node) {
    tree()->setCurrentItem(node ? node->item_ : nullptr);
}

void TTreeView::applyColor(const QColor& color) {
    QPalette palette = tree()->palette();
    palette.setColor(QPalette::Base, color);
    tree()->setPalette(palette);
}

} // namespace vrx::forms
