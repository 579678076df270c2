// A message the core has for the user. It names a row of the message catalogue and the texts
// that fill that row's "%s" places; the front end takes everything it shows of it from the
// catalogue (diag/MessageCatalog.h).
#pragma once

#include <string>
#include <vector>

namespace tenvor {

struct RunMessage {
    int id = 0;                          // the row of the catalogue (MessageIndex)
    std::vector<std::string> arguments;  // the first "%s" takes the first, and so on

    bool operator==(const RunMessage&) const = default;
};

}  // namespace tenvor
