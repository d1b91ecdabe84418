// What the platform layer does the same way on every system.
#include "libutils/platform.h"

#include "open_checked.h"

namespace libutils {

std::FILE* openRegularFile(const char* path, FileStatus& out, const char*& reason,
                           OpenRefusal* refusal) {
    OpenRefusal why = OpenRefusal::cannotOpen;
    FileStatus named;
    std::FILE* file = nullptr;
    // The path is looked at first so that a device is never opened at all; what is opened is
    // checked again, since the path may name something else by the time it is opened.
    if (fileStatus(path, named)) {
        if (!named.regular)
            why = OpenRefusal::notRegular;
        else
            file = detail::openChecked(path, out, why);
    }
    if (file == nullptr) {
        reason = why == OpenRefusal::notRegular ? "not a regular file" : "cannot open the file";
        if (refusal != nullptr)
            *refusal = why;
    }
    return file;
}

} // namespace libutils
