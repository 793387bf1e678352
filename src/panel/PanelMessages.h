#pragma once

namespace tavelo {

// What the panel's buttons report to the panel, synchronously, with their control id.
inline constexpr int WM_RC_BUTTONUP = 2000;
inline constexpr int WM_RC_BUTTONDOWN = 2001;
inline constexpr int WM_RC_TOGGLED = 2002;

}  // namespace tavelo
