#pragma once
// How long this process has been running, for start-up timing.

namespace halvric {

// Seconds since this process was started; negative when it cannot be told.
double SecondsSinceProcessStart();

}  // namespace halvric
