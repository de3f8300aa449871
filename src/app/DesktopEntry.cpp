#include "app/DesktopEntry.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pw {

namespace {

bool IsAddressCode(char c) {
    return c == 'u' || c == 'U' || c == 'f' || c == 'F';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> parts;
    std::stringstream in(list);
    std::string part;
    while (std::getline(in, part, ':')) {
        if (!part.empty() && part.front() == '/') parts.push_back(part);
    }
    return parts;
}

std::vector<std::string> DataDirs() {
    std::vector<std::string> dirs;
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/') {
        dirs.push_back(dataHome);
    } else if (home && *home == '/') {
        dirs.push_back(std::string(home) + "/.local/share");
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::vector<std::string> system = SplitList(dataDirs && *dataDirs ? dataDirs : "");
    if (system.empty()) system = {"/usr/local/share", "/usr/share"};
    dirs.insert(dirs.end(), system.begin(), system.end());
    return dirs;
}

std::string UnescapeValue(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (const char c = value[++i]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\', out += c;
                break;  // left for the Exec quoting rules
        }
    }
    return out;
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

}  // namespace

std::string CutExecAtFieldCode(const std::string& exec) {
    for (size_t i = 0; i + 1 < exec.size(); ++i) {
        if (exec[i] != '%') continue;
        if (exec[i + 1] == '%') {
            ++i;
            continue;
        }
        if (!IsAddressCode(exec[i + 1])) continue;
        const bool quoted =
            i > 0 && exec[i - 1] == '"' && i + 2 < exec.size() && exec[i + 2] == '"';
        return exec.substr(0, quoted ? i - 1 : i);
    }
    return exec;
}

std::optional<std::vector<std::string>> SplitExecLine(const std::string& exec) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    bool inQuotes = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                current += exec[++i];
            } else {
                current += c;
            }
            continue;
        }
        if (IsBlank(c)) {
            if (inArg) args.push_back(current);
            current.clear();
            inArg = false;
            continue;
        }
        inArg = true;
        if (c == '"') {
            inQuotes = true;
        } else if (c == '%' && i + 1 < exec.size()) {
            // "%%" is a percent sign; any other code stands for nothing here.
            if (exec[++i] == '%') current += '%';
        } else {
            current += c;
        }
    }
    if (inQuotes) return std::nullopt;
    if (inArg) args.push_back(current);
    // A code that made up a whole argument leaves no argument behind.
    std::erase_if(args, [](const std::string& arg) { return arg.empty(); });
    return args;
}

std::optional<std::vector<std::string>> BrowserCommand(const std::string& exec,
                                                       const std::string& address) {
    auto args = SplitExecLine(CutExecAtFieldCode(exec));
    if (!args || args->empty()) return std::nullopt;
    if (!address.empty()) args->push_back(address);
    return args;
}

std::string ReadDesktopExec(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    bool inMainGroup = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos || Trim(line.substr(0, equals)) != "Exec") continue;
        return UnescapeValue(Trim(line.substr(equals + 1)));
    }
    return {};
}

std::string FindDesktopFile(const std::string& desktopId) {
    const std::string suffix = ".desktop";
    if (desktopId.size() <= suffix.size() ||
        desktopId.compare(desktopId.size() - suffix.size(), suffix.size(), suffix) != 0 ||
        desktopId.find('/') != std::string::npos || desktopId.front() == '.') {
        return {};
    }
    // "kde4-konqueror.desktop" may live as kde4/konqueror.desktop.
    std::vector<std::string> names{desktopId};
    for (size_t dash = desktopId.find('-'); dash != std::string::npos;
         dash = desktopId.find('-', dash + 1)) {
        std::string name = desktopId;
        name[dash] = '/';
        names.push_back(name);
    }
    for (const std::string& dir : DataDirs()) {
        for (const std::string& name : names) {
            const std::string path = dir + "/applications/" + name;
            if (IsRegularFile(path)) return path;
        }
    }
    return {};
}

}  // namespace pw
