#include "cli/JobConsole.h"

namespace velmar::cli {

void forEachLogLine(const std::string& text, const std::function<void(std::string_view)>& print) {
    for (std::size_t start = text.find("\r\n"); start != std::string::npos;) {
        const std::size_t next = text.find("\r\n", start + 2);
        print(std::string_view(text).substr(
            start + 2, next == std::string::npos ? std::string::npos : next - start - 2));
        start = next;
    }
}

} // namespace velmar::cli
