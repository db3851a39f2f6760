#pragma once

#include <memory>
#include <vector>

namespace orten {

// The memory an overlapped transfer lends the system (its buffer and the
// record the system reports into) must outlive the system's hold on it, also
// when a cancel is not honoured in time. Transfers use the current slot; a
// slot the system still holds after a cancel is abandoned: kept aside until
// Slot::LetGo() says the system is done with it, and the next transfer gets
// fresh memory. Slots still held at the end are never freed.
template <typename Slot>
class HeldTransfers {
 public:
  HeldTransfers() = default;
  ~HeldTransfers() {
    Reap();
    // Kept reachable, so that leak checkers see them as the deliberate keep they are.
    for (std::unique_ptr<Slot>& slot : held_) NeverFreed().push_back(slot.release());
  }
  HeldTransfers(const HeldTransfers&) = delete;
  HeldTransfers& operator=(const HeldTransfers&) = delete;

  Slot& Current() {
    if (!current_) current_ = std::make_unique<Slot>();
    return *current_;
  }
  // The current slot stays the system's; the next transfer takes a new one.
  void Abandon() {
    if (current_) held_.push_back(std::move(current_));
  }
  // Frees the abandoned slots the system has let go of.
  void Reap() {
    std::erase_if(held_, [](const std::unique_ptr<Slot>& slot) { return slot->LetGo(); });
  }
  std::size_t HeldCount() const { return held_.size(); }

 private:
  static std::vector<Slot*>& NeverFreed() {
    static auto* slots = new std::vector<Slot*>;
    return *slots;
  }

  std::unique_ptr<Slot> current_;
  std::vector<std::unique_ptr<Slot>> held_;
};

}  // namespace orten
