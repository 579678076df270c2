// The supported form ids in their fixed order, and the questions asked of an id. All of it is
// derived from the built-in catalogue's rows (DataTbl::builtInForms).
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <string_view>

#include "forms/DataTbl.h"

namespace tenvor {

inline constexpr auto styleNumList = [] {
    std::array<std::string_view, std::size(DataTbl::builtInForms)> ids{};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ids[i] = DataTbl::builtInForms[i].id;
    }
    return ids;
}();

// Position of the id in styleNumList, or -1 when it is not a supported form (exactly 8
// characters, starting with "N", equal to one of the list, compared case-sensitively).
int StyleNumPosition(std::string_view csStyleNum);

inline bool IsSingleRecordForm(std::string_view csStyleNum)
{
    const int position = StyleNumPosition(csStyleNum);
    return position >= 0 && DataTbl::builtInForms[static_cast<std::size_t>(position)].singleRecord;
}

}  // namespace tenvor
