// The supported form ids in their fixed order: the ids of the built-in catalogue's rows
// (DataTbl::builtInForms), of which the first eight are the single-record forms. The runs ask
// FormCatalogue, which holds these forms and those of the form files.
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

}  // namespace tenvor
