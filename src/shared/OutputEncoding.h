// The encoding of the CSV files a run writes, chosen in the window's menu or with --encoding.
#pragma once

namespace tenvor {

enum class OutputEncoding {
    ShiftJis,  // code page 932, as Windows writes Shift_JIS; no byte-order mark
    Utf8,      // UTF-8 with a byte-order mark
};

}  // namespace tenvor
