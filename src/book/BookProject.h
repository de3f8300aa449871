#pragma once

#include <string>

namespace pw {

// What the book step needs of the current engine.
struct CBookProject {
    std::string m_strDir;    // the job's output folder, ending in "/"
    std::string m_strName;   // base name of the project files and of the book
    std::string m_strTitle;  // the blog's name
};

}  // namespace pw
