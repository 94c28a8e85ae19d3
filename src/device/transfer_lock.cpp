#include "device/transfer_lock.h"

#include "platform/named_lock.h"
#include "platform/runtime_folder.h"

namespace halvric {

std::string TransferLock::DefaultFile() { return RuntimeFolder() + "/transfer.lock"; }

TransferLock::TransferLock(std::string lock_file)
    : file_(lock_file.empty() ? DefaultFile() : std::move(lock_file)),
      // Without the file the lock still serialises this process; another process is then not
      // kept out, which is the best that can be done when the runtime folder is unusable.
      shared_(OpenNamedLock(file_, 0600)) {}

TransferLock::~TransferLock() = default;

void TransferLock::lock() {
  mutex_.lock();
  if (shared_) shared_->Lock();
}

void TransferLock::unlock() {
  if (shared_) shared_->Unlock();
  mutex_.unlock();
}

}  // namespace halvric
