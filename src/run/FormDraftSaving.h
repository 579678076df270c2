// Saving a draft (convert/FormDraft.h) as the form file of its id, and the words a front end
// shows before it does.
//
// The file is <ID>.tsv in the forms folder beside the settings file (forms/FormFolder.h), which is
// made when missing. A form file already there for that id is first moved into forms/old/ as
// <ID>-YYYYMMDD-HHMMSS.tsv (local time; -2, -3, ... before ".tsv" when that name is taken, for
// nothing there is ever replaced), where the forms folder's reading does not look. The new file
// is written whole under a temporary name and only then given its name, never replacing
// anything. When it cannot be written, the earlier file is moved back; should even that fail, the
// refusal says where it is kept. A draft that matches the current definition is not saved: a
// form file that only repeats a built-in form would hide that form's later revisions.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "convert/FormDraft.h"
#include "shared/Expected.h"

namespace tenvor {

// Where a draft goes.
struct DraftTarget {
    std::string formFolder;    // the forms folder
    std::string path;          // the form file written: <forms folder>/<ID>.tsv
    std::string existingPath;  // the form file of that id there now, kept in forms/old/; empty when none

    bool operator==(const DraftTarget&) const = default;
};

// The target of a draft in the forms folder of appFolder (empty: the standard folder).
DraftTarget DraftTargetOf(const FormDraft& draft, const std::string& appFolder);

// What a front end shows before saving, in Japanese, one line each.
struct DraftConfirmation {
    std::string heading;                   // the form and whether it is new or revised
    std::vector<std::string> differences;  // 追加 or 削除, 共通部分 or _被保険者 (文書要素の直下 for a
                                           // single-record form), the position and the element name
    std::vector<std::string> files;  // the file written; the file there now, kept in forms/old/
};
DraftConfirmation DescribeDraft(const FormDraft& draft, const DraftTarget& target);

struct SavedDraft {
    bool written = false;  // false when the draft matches the current definition: nothing to save
    std::string path;      // the form file written
    std::string keptPath;  // where the earlier form file went (forms/old/...); empty when there was none
};

// Saves the draft; now names the kept file. Nothing changes when it is refused (but for the
// forms folder and forms/old/, which may have been made).
Expected<SavedDraft, DraftRefusal> SaveFormDraft(const FormDraft& draft, const DraftTarget& target, std::time_t now);

}  // namespace tenvor
