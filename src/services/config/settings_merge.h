// Three-way merge of setting records, so that two processes that change the
// settings at once lose neither change.
//
// A writer that read the settings (`base`) and then writes its version
// (`mine`) changed only what differs between the two. MergeChanges applies
// exactly those differences to what is stored now (`current`), which another
// process may have changed in the meantime:
//
//   - in lists that are audited child by child, children are paired by
//     their match keys (the group, the activity, the data type, the
//     reason); a child the writer added, changed or removed is added,
//     merged or removed in `current`; any other child of `current` stays;
//   - any other record is taken from `mine` when it differs from `base`,
//     else from `current`;
//   - where both changed the same thing, the writer's version wins (it is
//     the later write).
//
// Without a base (the writer never read), `mine` replaces `current`.
// Children keep the order of `current`; children the writer added follow in
// its order.
//
// Thread safety: functions of their arguments. The records are written to
// memory to compare them, which may correct stale body lengths.
#ifndef TAV_SERVICES_CONFIG_SETTINGS_MERGE_H_
#define TAV_SERVICES_CONFIG_SETTINGS_MERGE_H_

#include <memory>

#include "records/component.h"

namespace tav {

// REQUIRES: `mine` and `current` are not null. Returns a new record made
// through the component factory.
std::unique_ptr<CComponent> MergeChanges(CComponent* base, CComponent* mine, CComponent* current);

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_SETTINGS_MERGE_H_
