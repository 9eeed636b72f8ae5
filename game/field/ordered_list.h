// The ordered lists of the play field (player shots, invader shots, sparks): insertion order
// is kept, and an element removed while a walk is visiting it, or while its own update is
// still running, is only unlinked once the outermost walk has finished.
#pragma once

#include <cstddef>
#include <list>
#include <memory>

template <class T>
class ordered_list {
 public:
  T& add(std::unique_ptr<T> item) {
    nodes_.push_back({std::move(item), false});
    ++live_;
    return *nodes_.back().item;
  }

  // Removing an element that is not (or no longer) in the list changes nothing.
  void remove(const T* item) {
    for (auto it = nodes_.begin(); it != nodes_.end(); ++it) {
      if (it->item.get() != item || it->dead) continue;
      --live_;
      if (walking_ > 0) {
        it->dead = true;  // the walk or the element's own method may still be using it
      } else {
        nodes_.erase(it);
      }
      return;
    }
  }

  void clear() {
    if (walking_ > 0) {
      for (node& n : nodes_) n.dead = true;
    } else {
      nodes_.clear();
    }
    live_ = 0;
  }

  // Calls visit(element) for every element in order, elements added meanwhile included.
  template <class F>
  void walk(F&& visit) {
    ++walking_;
    for (auto it = nodes_.begin(); it != nodes_.end(); ++it)
      if (!it->dead) visit(*it->item);
    if (--walking_ == 0) nodes_.remove_if([](const node& n) { return n.dead; });
  }

  std::size_t size() const { return live_; }
  bool empty() const { return live_ == 0; }

 private:
  struct node {
    std::unique_ptr<T> item;
    bool dead;
  };
  std::list<node> nodes_;
  std::size_t live_ = 0;
  int walking_ = 0;
};
