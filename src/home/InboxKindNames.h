#pragma once

// Wire names of the inbox kinds the client and the local stand-in must agree on beyond the ones both spell
// out where they use them. Plain character constants, so the stand-in can share them without Qt.
namespace InboxKindNames {
inline constexpr char planUpdated[] = "plan_updated";
inline constexpr char achievement[] = "achievement";
} // namespace InboxKindNames
