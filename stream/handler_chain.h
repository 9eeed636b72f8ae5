// The chain shape every registry of handlers shares (stream factories, audio drivers,
// sample, picture and font loaders): singly linked through the handler's own `_succ`,
// newest first, so a handler added later is asked before the ones already there.
#pragma once

#include <memory>

template <class T>
class THandlerChain {
 public:
  // Puts the handler at the head. A null handler, or one already in the chain (which would
  // close it into a ring), changes nothing; the answer says whether it was added.
  bool Add(std::shared_ptr<T> handler) {
    if (!handler || Contains(handler.get())) return false;
    handler->_succ = std::move(_head);
    _head = std::move(handler);
    return true;
  }
  // Takes the handler out, joining its neighbours; the answer says whether it was there.
  bool Remove(const T* handler) {
    for (std::shared_ptr<T>* link = &_head; *link; link = &(*link)->_succ) {
      if (link->get() != handler) continue;
      std::shared_ptr<T> taken = std::move(*link);
      *link = std::move(taken->_succ);
      return true;
    }
    return false;
  }
  bool Contains(const T* handler) const {
    for (const T* h = _head.get(); h; h = h->_succ.get())
      if (h == handler) return true;
    return false;
  }
  const std::shared_ptr<T>& Head() const { return _head; }

 private:
  std::shared_ptr<T> _head;
};
