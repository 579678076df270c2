#include "forms/StyleNumList.h"

namespace tenvor {

namespace {

// Every row needs an id that StyleNumPosition admits, and no id may appear twice; otherwise a
// form of the catalogue could never be found. (Whether each row has its builder is checked by
// the catalogue's tests: a constant check of a function pointer is refused by the sanitizer
// builds.)
constexpr bool RowsAreComplete()
{
    for (std::size_t i = 0; i < styleNumList.size(); ++i) {
        const std::string_view id = styleNumList[i];
        if (id.size() != 8 || id.front() != 'N') {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (styleNumList[j] == id) {
                return false;
            }
        }
    }
    return true;
}

static_assert(RowsAreComplete(), "a row of DataTbl::builtInForms has a malformed or repeated id");

}  // namespace

int StyleNumPosition(std::string_view csStyleNum)
{
    if (csStyleNum.size() != 8 || csStyleNum.front() != 'N') {
        return -1;
    }
    for (std::size_t i = 0; i < styleNumList.size(); ++i) {
        if (styleNumList[i] == csStyleNum) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace tenvor
