#include "cli/FormsCommand.h"

#include <cstdio>

#include "forms/DataTbl.h"
#include "forms/StyleNumList.h"

namespace tenvor::cli {

ExitStatus ListForms()
{
    for (const std::string_view id : styleNumList) {
        std::printf("%.*s\n", static_cast<int>(id.size()), id.data());
    }
    return ExitStatus::Clean;
}

ExitStatus DescribeForm(const std::string& formId)
{
    const DataTbl dataTbl;
    const auto found = dataTbl.dataDifMap.find(formId);
    if (StyleNumPosition(formId) < 0 || found == dataTbl.dataDifMap.end()) {
        std::fprintf(stderr, "tenvor-cli: %s is not a supported form; 'tenvor-cli forms' lists them\n", formId.c_str());
        return ExitStatus::Usage;
    }
    const char* listNames[] = {"common", "insured"};
    for (std::size_t list = 0; list < found->second.size() && list < 2; ++list) {
        int position = 0;
        for (const StDataDif& definition : found->second[list]) {
            std::printf("%s\t%d\t%s\t%d\n", listNames[list], ++position, definition.sNodename.c_str(),
                        definition.iBytes);
        }
    }
    return ExitStatus::Clean;
}

}  // namespace tenvor::cli
