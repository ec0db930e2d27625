#pragma once
// The parts of the project that have a file of their own beside project_file.cpp: the
// [[files]] groups (project_files.cpp), the languages with their texts
// (project_languages.cpp) and the keys of what the installer cannot do yet
// (project_unbuilt.cpp).
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

// What the installer program cannot do yet (project_unbuilt.cpp): the first key that asks
// for it is refused, for the settings as read and for one file group's kind and flags.
void RefuseUnbuiltSettings(Table& root, const ProductSettings& s);
void RefuseUnbuiltEntry(Table& group, uint32_t kind, uint32_t flags);

}  // namespace qs::builder::project
