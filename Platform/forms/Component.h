#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace vrx::forms {

/// The root of every framework object, so that event handlers can receive any of them as
/// their sender.
class TObject {
public:
    virtual ~TObject() = default;
};

/// A named object that an owner destroys together with itself. An owner keeps its components
/// in creation order, independent of where they appear on screen: a control inside a panel is
/// still owned by the form. Destroying an owner frees its components in reverse order.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr) : owner_(owner) {
        if (owner_)
            owner_->components_.push_back(this);
    }
    ~TComponent() override {
        destroying_ = true;
        DestroyComponents();
        if (owner_)
            owner_->RemoveComponent(this);
    }
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    /// The owned component of that name (exact match), or null.
    TComponent* FindComponent(const std::string& name) const {
        for (TComponent* c : components_)
            if (c->name_ == name)
                return c;
        return nullptr;
    }

    /// Runs after the most derived constructor (see Create): forms fire OnCreate here.
    virtual void AfterConstruction() {}
    /// Runs before any destructor (see Free): forms fire OnDestroy here.
    virtual void BeforeDestruction() {}

    /// Destroys the object, letting it act before its derived parts are gone.
    void Free() {
        if (!beforeDestructionDone_) {
            beforeDestructionDone_ = true;
            BeforeDestruction();
        }
        delete this;
    }

    bool Destroying() const { return destroying_; }

    /// Frees every owned component, the newest first.
    void DestroyComponents() {
        while (!components_.empty()) {
            TComponent* last = components_.back();
            components_.pop_back();
            last->owner_ = nullptr;
            last->Free();
        }
    }

    /// Moves the component to another owner (or none) without destroying it.
    void ChangeOwner(TComponent* newOwner) {
        if (owner_)
            owner_->RemoveComponent(this);
        owner_ = newOwner;
        if (owner_)
            owner_->components_.push_back(this);
    }

protected:
    bool BeforeDestructionDone() const { return beforeDestructionDone_; }
    void MarkBeforeDestructionDone() { beforeDestructionDone_ = true; }

private:
    void RemoveComponent(TComponent* c) {
        components_.erase(std::remove(components_.begin(), components_.end(), c),
                          components_.end());
    }

    TComponent* owner_ = nullptr;
    std::string name_;
    int tag_ = 0;
    std::vector<TComponent*> components_;
    bool destroying_ = false;
    bool beforeDestructionDone_ = false;
};

/// Creates a component and runs its AfterConstruction, as constructing a form does:
///     auto* dlg = Create<TfrmMessageDlg>(nullptr);   // OnCreate has run
template <typename T, typename... Args>
T* Create(Args&&... args) {
    T* object = new T(std::forward<Args>(args)...);
    object->AfterConstruction();
    return object;
}

/// Frees the component and clears the variable that held it.
template <typename T>
void FreeAndNil(T*& object) {
    T* old = object;
    object = nullptr;
    if (old)
        old->Free();
}

} // namespace vrx::forms
