#pragma once

namespace velmar {

// The result of every database operation, codec, reader and writer.
using ResultCode = int;

inline constexpr ResultCode kOk = 0;
inline constexpr ResultCode kWriteFailed = 1; // a formatted write to the output file failed
inline constexpr ResultCode kCannotOpen = 2;  // the file cannot be opened or created
inline constexpr ResultCode kNoMemory = 3;    // a record copy cannot be allocated
inline constexpr ResultCode kBadArgument = 5; // missing object, value out of range, bad selector

// A table is full (the navigation database's own meanings; the CMAP family gives 12..14 its own).
inline constexpr ResultCode kWaypointsFull = 10;
inline constexpr ResultCode kRoutesFull = 11;
inline constexpr ResultCode kRoutePointsFull = 12;
inline constexpr ResultCode kLinesFull = 13;
inline constexpr ResultCode kLinePointsFull = 14;
inline constexpr ResultCode kTracksFull = 15;
inline constexpr ResultCode kTrackPointsFull = 16;
inline constexpr ResultCode kZonesFull = 17;
inline constexpr ResultCode kZonePointsFull = 18;
inline constexpr ResultCode kMarksFull = 19;

} // namespace velmar
