#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"

namespace tolven {

inline constexpr int kObjectSlots = 32;
inline constexpr size_t kMaxEffectEntries = 200;

// One step of an effect sequence.
struct EffectEntry {
  enum class Type { MoveWindow = 1, ShowStage = 2, Fill = 3, Tint = 4, Negative = 5 };
  Type type = Type::ShowStage;
  uint32_t duration = 0;            // milliseconds
  int p1 = 0;                       // x offset of a window move
  int p2 = 0;                       // y offset of a window move; the weight of a tint, 0-255
  std::array<uint8_t, 3> colour{};  // blue, green, red of a fill or a tint
};

// Reads the lines of an effect section ("F", "N" and "S" lines) into its sequence, at most
// kMaxEffectEntries entries. Codes it cannot read and entries past the limit are left out, each
// said once in `refused`.
std::vector<EffectEntry> ReadEffectSequence(const std::vector<std::string>& lines,
                                            std::vector<std::string>& refused);

// The script's objects drawn over the stage (`obj_`) and the effects of the definition text
// "effect" (`effect`). Both draw straight on PB, or on the off-screen board, and leave
// StageBuffer as it was unless told otherwise ("fix"); nothing here is saved with the game.
class ObjectsAndEffects {
 public:
  // The script's expressions give the object commands their numbers.
  using Evaluate = std::function<int32_t(std::string_view)>;

  ObjectsAndEffects(Host& host, FrameClock& clock, PaintBox& pb, Stage& stage,
                    const Archives& archives, DefinitionText& definitions, Evaluate evaluate,
                    Trace& trace);

  // The text after `obj_`: a sub-command and its arguments.
  void Obj(std::string_view argument);
  // Plays the section ":NAME" of the definition text "effect".
  void Effect(std::string_view name);

  // For the state dump: the picture size of an allocated slot, nothing for a free one.
  struct SlotSize {
    int width = 0;
    int height = 0;
  };
  std::optional<SlotSize> Slot(int n) const;
  bool BoardExists() const { return board_.has_value(); }

 private:
  struct Object {
    Bitmap24 picture;  // the face in its upper half, the mask in its lower half
    Bitmap24 backing;  // what lies under the object, with the object blended in
  };
  // Where an object is drawn on the screen, and how long the command then waits.
  struct Placement {
    Object& object;
    int x;
    int y;
    int width;
    int height;
    int wait;
  };
  // Object n, when n is a slot number and the slot is allocated.
  Object* Allocated(int n);
  std::optional<Placement> Place(std::string_view arguments);
  std::vector<int> Numbers(std::string_view arguments, int count);
  void Load(std::string_view arguments);
  void Delete(std::string_view arguments);
  void Set(std::string_view arguments, bool fix);
  void Erase(std::string_view arguments);
  void BoardSet(std::string_view arguments);
  void BoardShow();
  // Blends the object into its backing buffer, which holds what lies under it.
  static void BlendInto(Object& object);
  void ShowOnPb(const Bitmap24& picture, int x, int y, int width, int height);
  void WaitAfterDrawing(int milliseconds);

  void RunEffect(const std::vector<EffectEntry>& sequence);
  void FillPb(const std::array<uint8_t, 3>& colour);

  Host& host_;
  FrameClock& clock_;
  PaintBox& pb_;
  Stage& stage_;
  const Archives& archives_;
  DefinitionText& definitions_;
  Evaluate evaluate_;
  Trace& trace_;
  std::array<std::optional<Object>, kObjectSlots> objects_;
  std::optional<Bitmap24> board_;
};

}  // namespace tolven
