#include "support/ChmReader.h"

#include <chm_lib.h>

namespace pw::test {

namespace {

struct Collected {
    chmFile* file;
    std::map<std::string, std::string>* objects;
};

int CollectObject(chmFile* file, chmUnitInfo* unit, void* context) {
    auto* collected = static_cast<Collected*>(context);
    const std::string path = unit->path;
    if (path.empty() || path.back() == '/' || path[0] != '/' || path.rfind("/#", 0) == 0 ||
        path.rfind("/$", 0) == 0) {
        return CHM_ENUMERATOR_CONTINUE;
    }
    std::string bytes(static_cast<size_t>(unit->length), '\0');
    if (unit->length > 0) {
        chm_retrieve_object(file, unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                            static_cast<LONGINT64>(unit->length));
    }
    (*collected->objects)[path] = bytes;
    return CHM_ENUMERATOR_CONTINUE;
}

}  // namespace

std::map<std::string, std::string> ReadChmObjects(const std::string& chmPath) {
    std::map<std::string, std::string> objects;
    chmFile* file = chm_open(chmPath.c_str());
    if (!file) return objects;
    Collected collected{file, &objects};
    chm_enumerate(file, CHM_ENUMERATE_ALL, CollectObject, &collected);
    chm_close(file);
    return objects;
}

}  // namespace pw::test
