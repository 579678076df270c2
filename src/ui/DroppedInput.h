// What a drop onto the window offers as input: exactly one local folder, or exactly one local
// file whose name ends in ".xml" or ".zip" (any letter case, as the file chooser's filters
// match), which is taken in file mode. Anything else is refused.
#pragma once

#include <QString>
#include <optional>

class QMimeData;

namespace tenvor {

struct DroppedInput {
    QString path;  // native form
    bool isFolder = false;
};

std::optional<DroppedInput> DroppedInputOf(const QMimeData* mimeData);

}  // namespace tenvor
