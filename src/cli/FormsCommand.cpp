#include "cli/FormsCommand.h"

#include <cstdio>

#include "cli/ConsoleOutput.h"
#include "forms/DataTbl.h"
#include "forms/StyleNumList.h"

namespace tenvor::cli {

ExitStatus ListForms()
{
    for (const std::string_view id : styleNumList) {
        Write(Stream::Out, std::string(id) + "\n");
    }
    return ExitStatus::Clean;
}

ExitStatus DescribeForm(const std::string& formId)
{
    const DataTbl dataTbl;
    const auto found = dataTbl.dataDifMap.find(formId);
    if (StyleNumPosition(formId) < 0 || found == dataTbl.dataDifMap.end()) {
        Write(Stream::Err, "tenvor-cli: " + formId + " is not a supported form; 'tenvor-cli forms' lists them\n");
        return ExitStatus::Usage;
    }
    const char* listNames[] = {"common", "insured"};
    for (std::size_t list = 0; list < found->second.size() && list < 2; ++list) {
        int position = 0;
        for (const StDataDif& definition : found->second[list]) {
            Write(Stream::Out, std::string(listNames[list]) + "\t" + std::to_string(++position) + "\t" +
                                   definition.sNodename + "\t" + std::to_string(definition.iBytes) + "\n");
        }
    }
    return ExitStatus::Clean;
}

}  // namespace tenvor::cli
