#pragma once
// The parts of the project that have a file of their own beside project_file.cpp: the
// [[files]] groups (project_files.cpp) and the languages with their texts
// (project_languages.cpp).
#include <string>
#include <vector>

#include "builder/container_writer.h"
#include "builder/project_file.h"
#include "builder/project_values.h"
#include "core/product_settings.h"

namespace qs::builder::project {

// One [[files]] group: the file it names, or the files it chooses from its folder (its own
// `source`, else `sourceFolder`, the project's top-level one), each stored as a payload entry
// with the group's settings.
void ReadFileGroup(Table& t, const std::string& sourceFolder, const ProjectContext& context,
                   std::vector<PayloadFile>& out);

// The project's languages (`languages`, `english`), its English texts ([texts]) and
// `text_count`, made into the language table; a language takes the English wording of the
// texts it does not give.
void ReadLanguages(Table& root, ProductSettings& s);

}  // namespace qs::builder::project
