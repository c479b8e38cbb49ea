#include "cehost/registry_transaction.h"

#include <string>

#include "ce/errors.h"
#include "cehost/handset.h"
#include "handset/handset_state.h"
#include "registry/registry_store.h"

namespace cehost {

RegistryTransaction::RegistryTransaction() {
  std::shared_ptr<HandsetState> shared = CurrentShared();
  HandsetState& state = *shared;
  const std::string registry = (state.home / "registry.db").string();
  if (!state.registry)
    throw HandsetError(registry + ": the registry cannot be used (error " +
                       std::to_string(state.registry_error) + ")");
  if (LONG rc = state.registry->BeginBatch())
    throw HandsetError(registry + ": cannot begin a transaction (error " + std::to_string(rc) +
                       ")");
  // The handset's store and journal stay with the transaction even if another handset is made
  // current meanwhile.
  handset_ = shared;
  store_ = state.registry.get();
  journal_ = &state.journal;
  open_ = true;
  // The journal marks where a transaction begins and how it ends, so that a reader knows which
  // registry effects were undone.
  RecordEffect(*journal_, EffectKind::kRegBegin, {});
}

RegistryTransaction::~RegistryTransaction() {
  Rollback();
}

LONG RegistryTransaction::Commit() {
  if (!open_) return ERROR_INVALID_HANDLE;
  open_ = false;
  LONG rc = store_->CommitBatch();
  RecordEffect(*journal_, rc == ERROR_SUCCESS ? EffectKind::kRegCommit : EffectKind::kRegRollback,
               {});
  return rc;
}

void RegistryTransaction::Rollback() {
  if (!open_) return;
  open_ = false;
  store_->RollbackBatch();
  RecordEffect(*journal_, EffectKind::kRegRollback, {});
}

}  // namespace cehost
