// How far the run has come, as plain counts: done of total. In folder mode it counts files; in
// file mode it follows the reading of the one file (its fields and person records) and is whole
// (1 of 1) when the file fails. A front end shows it as it likes.
#pragma once

namespace tenvor {

struct Progress {
    int done = 0;
    int total = 100;

    bool operator==(const Progress&) const = default;
};

}  // namespace tenvor
