#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tolven {

class HookBase {
 public:
  virtual ~HookBase() = default;
  virtual bool IsSet() const = 0;
};

// The hooks of one subsystem. A hook is a call from a subsystem into the engine around it that
// the subsystem needs but cannot be given when it is made, because the two are made in a circle
// (the stage composes the message window in, the window draws the quick buttons). Each hook
// enters its owner's set as it is made, so the assembled engine can name every hook nobody
// connected; a subsystem tested on its own runs with the hooks its test leaves unset.
class HookSet {
 public:
  HookSet() = default;
  // The set keeps the addresses of its owner's hooks: the owner can be neither copied nor moved.
  HookSet(const HookSet&) = delete;
  HookSet& operator=(const HookSet&) = delete;

  void Add(const char* name, const HookBase& hook) { hooks_.emplace_back(name, &hook); }
  // The names of the hooks still unset, each after the prefix.
  void AppendUnset(const std::string& prefix, std::vector<std::string>& unset) const {
    for (const auto& [name, hook] : hooks_) {
      if (!hook->IsSet()) unset.push_back(prefix + name);
    }
  }

 private:
  std::vector<std::pair<const char*, const HookBase*>> hooks_;
};

template <class Signature>
class Hook;

template <class R, class... Args>
class Hook<R(Args...)> final : public HookBase {
 public:
  Hook(HookSet& set, const char* name) { set.Add(name, *this); }
  Hook(const Hook&) = delete;
  Hook& operator=(const Hook&) = delete;

  Hook& operator=(std::function<R(Args...)> function) {
    function_ = std::move(function);
    return *this;
  }
  bool IsSet() const override { return static_cast<bool>(function_); }
  explicit operator bool() const { return IsSet(); }
  // An unset hook does nothing and answers the type's default.
  R operator()(Args... args) const {
    if (!function_) return R();
    return function_(std::forward<Args>(args)...);
  }

 private:
  std::function<R(Args...)> function_;
};

}  // namespace tolven
