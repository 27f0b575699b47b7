#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace purgeon {

namespace {

constexpr std::size_t kMaxKeyNameLength = 255;
enum Hive { kHiveLocalMachine = 1, kHiveUsers = 2 };

// Windows compares registry names case-insensitively with Unicode upper
// casing; ASCII and Latin-1 letters cover what the tests need.
std::u16string Fold(std::u16string_view name) {
    std::u16string out(name);
    for (auto& c : out) {
        if (c >= u'a' && c <= u'z')
            c -= 32;
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
            c -= 32;
    }
    return out;
}

std::vector<std::u16string> SplitPath(const std::u16string& path) {
    std::vector<std::u16string> out;
    std::u16string piece;
    for (char16_t c : path) {
        if (c == u'\\') {
            if (!piece.empty()) out.push_back(std::move(piece));
            piece.clear();
        } else {
            piece.push_back(c);
        }
    }
    if (!piece.empty()) out.push_back(std::move(piece));
    return out;
}

}  // namespace

struct MemoryRegistry::Node {
    struct Value {
        std::u16string name;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };

    std::u16string name;
    std::u16string folded;
    Node* parent = nullptr;
    bool deleted = false;
    std::unordered_map<std::u16string, std::shared_ptr<Node>> children;  // by folded name
    std::vector<Value> values;                                           // creation order
    std::unordered_map<std::u16string, std::size_t> value_index;         // folded name -> position

    // Sub-key names in Windows' enumeration order (by upper-cased name),
    // rebuilt on the first enumeration after a change. The names are copied
    // in that order so that a long enumeration reads memory front to back:
    // enumerating N sub-keys costs O(N) once the order stands.
    std::vector<std::u16string> order;
    bool order_valid = false;

    std::shared_ptr<Node> ChildPtr(const std::u16string& child_name) {
        auto it = children.find(Fold(child_name));
        return it == children.end() ? nullptr : it->second;
    }
    std::shared_ptr<Node> AddChild(const std::u16string& child_name) {
        auto node = std::make_shared<Node>();
        node->name = child_name;
        node->folded = Fold(child_name);
        node->parent = this;
        children.emplace(node->folded, node);
        order_valid = false;
        return node;
    }
    const std::u16string* ChildNameAt(std::size_t index) {
        if (index >= children.size()) return nullptr;
        if (!order_valid) {
            std::vector<const Node*> sorted;
            sorted.reserve(children.size());
            for (const auto& entry : children) sorted.push_back(entry.second.get());
            std::sort(sorted.begin(), sorted.end(),
                      [](const Node* a, const Node* b) { return a->folded < b->folded; });
            order.clear();
            order.reserve(sorted.size());
            for (const Node* child : sorted) order.push_back(child->name);
            order_valid = true;
        }
        return &order[index];
    }
    Value* FindValue(const std::u16string& value_name) {
        auto it = value_index.find(Fold(value_name));
        return it == value_index.end() ? nullptr : &values[it->second];
    }
    void RemoveValue(const std::u16string& value_name) {
        auto it = value_index.find(Fold(value_name));
        const std::size_t position = it->second;
        values.erase(values.begin() + position);
        value_index.erase(it);
        for (auto& [key, index] : value_index) {
            if (index > position) --index;
        }
    }
};

MemoryRegistry::MemoryRegistry(bool is_64bit_os, std::u16string current_user_sid)
    : is_64bit_os_(is_64bit_os), current_user_sid_(std::move(current_user_sid)) {
    hklm_ = std::make_shared<Node>();
    hku_ = std::make_shared<Node>();
    auto software = hklm_->AddChild(u"SOFTWARE");
    software->AddChild(u"Classes");
    if (is_64bit_os_) software->AddChild(u"Wow6432Node")->AddChild(u"Classes");
    hku_->AddChild(current_user_sid_)->AddChild(u"Software");
}

MemoryRegistry::~MemoryRegistry() = default;

std::size_t MemoryRegistry::OpenHandleCount() const {
    std::lock_guard lock(mutex_);
    return handles_.size();
}

const MemoryRegistry::Handle* MemoryRegistry::Find(RegKey key) const {
    auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &it->second;
}

RegKey MemoryRegistry::AddHandle(Handle handle) {
    const RegKey key = next_handle_;
    next_handle_ += 4;
    handles_.emplace(key, std::move(handle));
    return key;
}

RegStatus MemoryRegistry::Resolve(RegKey parent, const std::u16string& sub_key, std::uint32_t sam,
                                  bool create, Handle* out) {
    Handle result;
    bool view_from_parent = false;
    switch (parent) {
        case kHkeyLocalMachine:
            result.hive = kHiveLocalMachine;
            break;
        case kHkeyUsers:
            result.hive = kHiveUsers;
            break;
        case kHkeyCurrentUser:
            result.hive = kHiveUsers;
            result.logical_path = {current_user_sid_};
            break;
        case kHkeyClassesRoot:
            result.hive = kHiveLocalMachine;
            result.logical_path = {u"SOFTWARE", u"Classes"};
            break;
        default: {
            const Handle* handle = Find(parent);
            if (handle == nullptr) return kErrorInvalidHandle;
            if (handle->node->deleted) return kErrorKeyDeleted;
            result.hive = handle->hive;
            result.logical_path = handle->logical_path;
            result.view64 = handle->view64;
            view_from_parent = true;
        }
    }
    if (sam & kKeyWow64_64Key)
        result.view64 = true;
    else if (sam & kKeyWow64_32Key)
        result.view64 = false;
    else if (!view_from_parent)
        result.view64 = false;
    if (!is_64bit_os_) result.view64 = false;

    // Windows refuses a sub-key path that starts with a backslash.
    if (!sub_key.empty() && sub_key[0] == u'\\') return kErrorBadPathname;
    for (auto& piece : SplitPath(sub_key)) {
        if (piece.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
        result.logical_path.push_back(std::move(piece));
    }

    // Walk from the hive top, stepping into Wow6432Node below HKLM\SOFTWARE
    // when the 32-bit view of a 64-bit machine is asked for.
    std::shared_ptr<Node> node = result.hive == kHiveLocalMachine ? hklm_ : hku_;
    const bool redirect = is_64bit_os_ && !result.view64 && result.hive == kHiveLocalMachine;
    const auto& path = result.logical_path;
    for (std::size_t i = 0; i < path.size(); ++i) {
        std::shared_ptr<Node> next = node->ChildPtr(path[i]);
        if (!next) {
            if (!create) return kErrorFileNotFound;
            next = node->AddChild(path[i]);
        }
        node = next;
        if (redirect && i == 0 && EqualsIgnoreAsciiCase(path[0], u"SOFTWARE") &&
            !(path.size() > 1 && EqualsIgnoreAsciiCase(path[1], u"Wow6432Node"))) {
            std::shared_ptr<Node> wow = node->ChildPtr(u"Wow6432Node");
            if (!wow) {
                if (!create) return kErrorFileNotFound;
                wow = node->AddChild(u"Wow6432Node");
            }
            node = wow;
        }
    }
    result.node = node;
    *out = std::move(result);
    return kErrorSuccess;
}

RegStatus MemoryRegistry::OpenKey(RegKey parent, const std::u16string& sub_key, std::uint32_t sam,
                                  RegKey* key) {
    std::lock_guard lock(mutex_);
    Handle handle;
    const RegStatus status = Resolve(parent, sub_key, sam, false, &handle);
    if (status != kErrorSuccess) return status;
    *key = AddHandle(std::move(handle));
    return kErrorSuccess;
}

RegStatus MemoryRegistry::CreateKey(RegKey parent, const std::u16string& sub_key, std::uint32_t sam,
                                    RegKey* key) {
    std::lock_guard lock(mutex_);
    Handle handle;
    const RegStatus status = Resolve(parent, sub_key, sam, true, &handle);
    if (status != kErrorSuccess) return status;
    *key = AddHandle(std::move(handle));
    return kErrorSuccess;
}

// The node behind a handle or a predefined root; null with `*status` set
// when there is none.
MemoryRegistry::Node* MemoryRegistry::NodeOf(RegKey key, RegStatus* status) {
    if (const Handle* handle = Find(key)) {
        if (handle->node->deleted) {
            *status = kErrorKeyDeleted;
            return nullptr;
        }
        return handle->node.get();
    }
    Handle root;
    if (key >= kHkeyClassesRoot && key <= kHkeyUsers &&
        Resolve(key, u"", 0, false, &root) == kErrorSuccess) {
        return root.node.get();
    }
    *status = kErrorInvalidHandle;
    return nullptr;
}

#define PURGEON_OPEN_NODE(key)                   \
    RegStatus open_status = kErrorSuccess;       \
    Node* node_ptr = NodeOf(key, &open_status);  \
    if (node_ptr == nullptr) return open_status; \
    Node& node = *node_ptr

RegStatus MemoryRegistry::QueryInfoKey(RegKey key, std::uint32_t* sub_keys, std::uint32_t* values) {
    std::lock_guard lock(mutex_);
    PURGEON_OPEN_NODE(key);
    if (sub_keys) *sub_keys = std::uint32_t(node.children.size());
    if (values) *values = std::uint32_t(node.values.size());
    return kErrorSuccess;
}

RegStatus MemoryRegistry::EnumKey(RegKey key, std::uint32_t index, std::uint32_t capacity,
                                  std::u16string* name) {
    std::lock_guard lock(mutex_);
    PURGEON_OPEN_NODE(key);
    const std::u16string* child_name = node.ChildNameAt(index);
    if (child_name == nullptr) return kErrorNoMoreItems;
    if (child_name->size() + 1 > capacity) return kErrorMoreData;
    *name = *child_name;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::EnumValue(RegKey key, std::uint32_t index, std::uint32_t capacity,
                                    std::u16string* name) {
    std::lock_guard lock(mutex_);
    PURGEON_OPEN_NODE(key);
    if (index >= node.values.size()) return kErrorNoMoreItems;
    const auto& value = node.values[index];
    if (value.name.size() + 1 > capacity) return kErrorMoreData;
    *name = value.name;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* size) {
    std::lock_guard lock(mutex_);
    PURGEON_OPEN_NODE(key);
    const Node::Value* value = node.FindValue(name);
    if (value == nullptr) return kErrorFileNotFound;
    if (type) *type = value->type;
    const auto needed = std::uint32_t(value->data.size());
    if (data == nullptr) {
        if (size) *size = needed;
        return kErrorSuccess;
    }
    if (size == nullptr) return kErrorInvalidParameter;
    if (*size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    if (needed > 0) std::memcpy(data, value->data.data(), needed);
    *size = needed;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) {
    std::lock_guard lock(mutex_);
    PURGEON_OPEN_NODE(key);
    std::vector<std::uint8_t> bytes(data, data + (data ? size : 0));
    if (Node::Value* value = node.FindValue(name)) {
        value->type = type;
        value->data = std::move(bytes);
    } else {
        node.value_index.emplace(Fold(name), node.values.size());
        node.values.push_back({name, type, std::move(bytes)});
    }
    return kErrorSuccess;
}

RegStatus MemoryRegistry::DeleteValue(RegKey key, const std::u16string& name) {
    std::lock_guard lock(mutex_);
    PURGEON_OPEN_NODE(key);
    if (node.FindValue(name) == nullptr) return kErrorFileNotFound;
    node.RemoveValue(name);
    return kErrorSuccess;
}

void MemoryRegistry::MarkDeleted(Node& node) {
    // Iterative, so that a very deep tree cannot exhaust the stack.
    std::vector<Node*> pending{&node};
    while (!pending.empty()) {
        Node* current = pending.back();
        pending.pop_back();
        current->deleted = true;
        for (auto& [name, child] : current->children) pending.push_back(child.get());
    }
}

void MemoryRegistry::Detach(Node& node) {
    Node* parent = node.parent;
    MarkDeleted(node);
    if (parent != nullptr) {
        const std::u16string key = node.folded;  // erasing may free `node`
        parent->order_valid = false;
        parent->children.erase(key);
    }
}

RegStatus MemoryRegistry::DeleteKey(RegKey key, const std::u16string& sub_key, std::uint32_t sam) {
    if (key >= kHkeyClassesRoot && key <= kHkeyUsers && SplitPath(sub_key).empty())
        return kErrorAccessDenied;
    std::lock_guard lock(mutex_);
    Handle target;
    const RegStatus status = Resolve(key, sub_key, sam, false, &target);
    if (status != kErrorSuccess) return status;
    if (target.logical_path.empty() || target.node->parent == nullptr) return kErrorAccessDenied;
    if (!target.node->children.empty()) return kErrorAccessDenied;
    Detach(*target.node);
    return kErrorSuccess;
}

RegStatus MemoryRegistry::DeleteTree(RegKey key, const std::u16string& sub_key) {
    if (key >= kHkeyClassesRoot && key <= kHkeyUsers && SplitPath(sub_key).empty())
        return kErrorAccessDenied;
    std::lock_guard lock(mutex_);
    Handle target;
    const RegStatus status = Resolve(key, sub_key, 0, false, &target);
    if (status != kErrorSuccess) return status;
    if (target.logical_path.empty() || target.node->parent == nullptr) return kErrorAccessDenied;
    if (SplitPath(sub_key).empty()) {
        // Without a sub-key RegDeleteTreeW empties the key and keeps it.
        Node& node = *target.node;
        for (auto& [name, child] : node.children) MarkDeleted(*child);
        node.children.clear();
        node.order_valid = false;
        node.values.clear();
        node.value_index.clear();
        return kErrorSuccess;
    }
    Detach(*target.node);
    return kErrorSuccess;
}

RegStatus MemoryRegistry::CloseKey(RegKey key) {
    std::lock_guard lock(mutex_);
    if (key >= kHkeyClassesRoot && key <= kHkeyUsers) return kErrorSuccess;
    return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace purgeon
