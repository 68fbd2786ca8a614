// A window's own controls and their tool tips kept in plain lists, as the
// headless and GTK windows keep them: the lookups both answer the same way.
#pragma once

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "platform/control.h"

namespace qv {

using ControlList = std::vector<std::unique_ptr<Control>>;
// In the order the tips were first given.
using ToolTipList = std::vector<std::pair<Control*, Text>>;

inline Control* FindControl(const ControlList& controls, const Text& name) {
  for (const auto& c : controls)
    if (c->Name() == name) return c.get();
  return nullptr;
}

// Every control of that name, in creation order (tab copies share a name).
inline std::vector<Control*> FindControls(const ControlList& controls, const Text& name) {
  std::vector<Control*> out;
  for (const auto& c : controls)
    if (c->Name() == name) out.push_back(c.get());
  return out;
}

inline bool OwnsControl(const ControlList& controls, const Control* c) {
  for (const auto& p : controls)
    if (p.get() == c) return true;
  return false;
}

// A control given a tip again keeps its place in the list.
inline void SetToolTip(ToolTipList& tips, Control& c, const Text& tip) {
  for (auto& t : tips) {
    if (t.first == &c) {
      t.second = tip;
      return;
    }
  }
  tips.emplace_back(&c, tip);
}

inline Text ToolTipOf(const ToolTipList& tips, const Control& c) {
  for (const auto& t : tips)
    if (t.first == &c) return t.second;
  return Text();
}

// Destroys `c` with its tip.
inline void RemoveControl(ControlList& controls, ToolTipList& tips, const Control* c) {
  tips.erase(std::remove_if(tips.begin(), tips.end(),
                            [c](const ToolTipList::value_type& t) { return t.first == c; }),
             tips.end());
  controls.erase(std::remove_if(controls.begin(), controls.end(),
                                [c](const std::unique_ptr<Control>& p) { return p.get() == c; }),
                 controls.end());
}

}  // namespace qv
