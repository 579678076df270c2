// What a step of a run tells its caller: go on with the next step or file (also after a file's
// failure has been recorded), or stop the run now (the user has been told, or the log could not
// be written).
#pragma once

namespace tenvor {

enum class [[nodiscard]] RunStep{GoOn, Stop};

}  // namespace tenvor
