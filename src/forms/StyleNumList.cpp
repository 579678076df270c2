#include "forms/StyleNumList.h"

namespace tenvor {

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
