#pragma once

namespace tavelo {

// The product version and legal notice, compiled in from the build's project version.
#ifndef TAVELO_VERSION
#define TAVELO_VERSION "0.0.0"
#endif
inline constexpr const char* PRODUCT_VERSION = TAVELO_VERSION;
inline constexpr const char* LEGAL_COPYRIGHT = "Copyright (C) 2026 Noctra. All rights reserved.";

}  // namespace tavelo
