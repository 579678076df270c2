// Drafting a form (convert/FormDraft.h) from what a user points at: XML files, ZIP files (their
// notifications, cover letters and other documents passed over as conversion passes them over),
// or the one member of a ZIP that a run's row names. Files are checked, listed and read exactly
// as a run checks, lists and reads them (run/InputList, run/InputReader), so a file that a run
// refuses or fails is refused here with the same words.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "convert/FormDraft.h"
#include "forms/FormFolder.h"
#include "shared/Expected.h"
#include "shared/StErrorInfo.h"

namespace tenvor {

// Where a draft's notifications come from.
struct DraftSource {
    std::string path;  // an XML file or a ZIP file
    // One item of that ZIP, by the path runs show it with (the ZIP's path, then the member's:
    // dl/P.zip/D/a.xml, through nested ZIPs dl/P.zip/sub/Q.zip/D/a.xml); empty for all of them.
    std::string member;

    bool operator==(const DraftSource&) const = default;
};

// The source a run's row stands for, from the path the row shows: the ZIP file and that member
// when the path leads through an existing ZIP file, else the file itself.
DraftSource DraftSourceOfRow(const std::string& rowPath);

// Whether a failed file's record is worth a draft: it failed the field check, or its document
// element is shaped like a form id ("N" and seven digits) that the runs do not know.
bool CanDraftFormFrom(const StErrorInfo& record);

// The draft of the sources' notifications, in the order given, against the forms the runs know.
Expected<FormDraft, DraftRefusal> DraftForm(const std::vector<DraftSource>& sources, const FormCatalogue& catalogue);

// The same against the forms the runs know now: the built-in ones and the form files of the forms
// folder of appFolder, read again (a form saved a moment ago counts). A forms folder that is not
// right refuses with its message.
Expected<FormDraft, DraftRefusal> DraftForm(const std::vector<DraftSource>& sources, const std::string& appFolder);

}  // namespace tenvor
