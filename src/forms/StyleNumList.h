// The 33 supported form ids, in their fixed order; the first eight are the single-record forms,
// whose document element itself is the one record.
#pragma once

#include <array>
#include <string_view>

namespace tenvor {

constexpr int kSingleRecordFormCount = 8;

inline constexpr std::array<std::string_view, 33> styleNumList = {
    "N2008005", "N2009005", "N2056001", "N2057001", "N2067001", "N2068001", "N2069001", "N2070001", "N2018003",
    "N2043003", "N4001004", "N4002002", "N4003004", "N7100001", "N7100002", "N7110001", "N7110002", "N7120001",
    "N7120002", "N7120003", "N7130001", "N7140001", "N7150001", "N7160001", "N7170002", "N7170003", "N7180001",
    "N7190001", "N7200001", "N7210001", "N7220001", "N7230001", "N7240001",
};

// Position of the id in styleNumList, or -1 when it is not a supported form (exactly 8
// characters, starting with "N", equal to one of the list, compared case-sensitively).
int StyleNumPosition(std::string_view csStyleNum);

inline bool IsSingleRecordForm(std::string_view csStyleNum)
{
    const int position = StyleNumPosition(csStyleNum);
    return position >= 0 && position < kSingleRecordFormCount;
}

}  // namespace tenvor
