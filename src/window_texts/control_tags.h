// The view tags of the per-target controls: a column's base plus the target number, as the
// interface file tags them and the controller finds them.
#pragma once

namespace halix {

inline constexpr int MaxTransferID = 100;
inline constexpr int SyncTransferID = 200;
inline constexpr int DisconnectID = 300;
inline constexpr int WideTransferID = 400;

} // namespace halix
