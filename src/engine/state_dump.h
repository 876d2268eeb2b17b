#pragma once

#include <filesystem>
#include <string>

namespace tolven {

class TForm1;

// The state dump: a JSON picture of everything a test or an author wants to check after a run,
// with stable keys. Texts are UTF-8.
std::string StateDumpJson(const TForm1& form);
// Writes it whole to a file; false with a reason when the file cannot be written.
bool WriteStateDump(const TForm1& form, const std::filesystem::path& path, std::string& why);

}  // namespace tolven
