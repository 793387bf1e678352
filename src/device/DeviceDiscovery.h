#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "device/DeviceBackend.h"

namespace tavelo {

// The pipes below an interface's device path; no other names are used.
inline constexpr std::string_view PIPE_COMMAND = "PIPE00";
inline constexpr std::string_view PIPE_REPLY = "PIPE01";
inline constexpr std::string_view PIPE_IMAGE = "PIPE03";

// Room for a device or pipe path, terminating zero included. A longer path fails like an
// absent camera.
inline constexpr std::size_t PATH_BUFFER_SIZE = 256;

// Every pipe access repeats the whole discovery; nothing is cached, so an unplugged and
// replugged camera is found again at the next access.

// Finds the camera and opens one of its pipes; nullptr when no camera interface could be
// opened or the pipe could not be opened.
std::unique_ptr<PipeHandle> OpenPipe(DeviceBackend& backend, std::string_view name);

// True if an interface of the class opened (it is closed again at once); `path` then holds
// that interface's device path.
bool FindDevice(DeviceBackend& backend, const Guid& cls, std::string& path);

// The first interface in enumeration order that opens, or nullptr.
std::unique_ptr<PipeHandle> OpenFirstInterface(DeviceBackend& backend, const Guid& cls,
                                               std::string& path);

// Opens one enumerated interface; `path` receives its device path whenever it could be read.
std::unique_ptr<PipeHandle> OpenInterface(DeviceBackend& backend, const InterfaceEntry& entry,
                                          std::string& path);

}  // namespace tavelo
