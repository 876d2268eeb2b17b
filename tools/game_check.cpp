#include "tools/game_check.h"

#include "resources/archive_index.h"
#include "tools/definition_check.h"
#include "tools/game_contents.h"
#include "tools/script_check.h"

namespace tolven::tools {

Findings CheckGame(const std::filesystem::path& folder) {
  Findings findings;
  const GameContents game = GameContents::Open(folder, findings);
  const auto definitions = DefinitionTextNames(game);
  ScriptChecker scripts(game, findings);
  for (const GameText& text : game.Texts()) {
    if (!definitions.contains(UpperCaseName(text.name))) scripts.Check(text);
  }
  CheckDefinitions(game, findings);
  return findings;
}

}  // namespace tolven::tools
