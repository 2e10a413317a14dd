// What a replacement does the same way on every system: making its contents durable once.
#include "platform/replacement.h"

namespace tessary::platform {

Error Replacement::Sync() {
  if (synced_) return 0;
  // The access first, so that it goes to disk with the data.
  if (const Error error = GiveAccess(); error != 0) return error;
  if (const Error error = file_.Sync(); error != 0) return error;
  synced_ = true;
  return 0;
}

}  // namespace tessary::platform
