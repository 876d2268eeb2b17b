#pragma once

#include <SDL.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dialogs/dialog_model.h"
#include "dialogs/dialog_navigation.h"
#include "platform/viewport_mapping.h"

struct ImFont;
struct ImGuiInputTextCallbackData;

namespace tolven {

// The dialogs' faces in the ImGui font atlas; null where the face is missing, and the dialogs
// then use the atlas's first font.
struct DialogFonts {
  ImFont* text = nullptr;  // "ＭＳ Ｐゴシック" at 12 pixels: captions, fields, lists, boxes
  ImFont* memo = nullptr;  // the same at 11 pixels: memos, as the save list's page text
};
// Adds the dialogs' faces to the atlas, before it is first built, with every character code
// page 932 can hold, since the fields show whatever the player typed and the engine stores.
DialogFonts AddDialogFonts();

// The dialogs' look (colours, frames, spacing) on ImGui's style stacks for as long as it lives;
// the message boxes wear it too.
class DialogLook {
 public:
  // Spacing in dialog pixels times this.
  explicit DialogLook(float scale);
  ~DialogLook();
  DialogLook(const DialogLook&) = delete;
  DialogLook& operator=(const DialogLook&) = delete;

 private:
  static constexpr int kVariables = 7;  // the style variables it pushes
  int colours_ = 0;
};

// Above and below the caption in a dialog's title bar, in dialog pixels.
inline constexpr float kTitlePadding = 4.0f;

// A fingerprint of everything a view draws of the model: when it changes, the dialog must be
// drawn again.
uint64_t LookOf(const DialogModel& model);

// Where a dialog goes over the picture: centred over PB and kept inside the picture, at 1:1
// with the picture unless it would not fit, then smaller.
struct DialogPlacement {
  float x = 0;  // the window's top-left corner, title bar included, in picture pixels
  float y = 0;
  float scale = 1;  // dialog pixels to picture pixels
};
DialogPlacement PlaceDialog(int clientWidth, int clientHeight, float titleHeight, int pictureWidth,
                            int pictureHeight, int pbTop);

// Draws any DialogModel with Dear ImGui as a window over the picture, from Controls() alone.
// What the player does is queued and handed to the model by Apply(), outside every ImGui
// frame: a handler may draw and present the game screen, which must not happen mid-frame.
class DialogView {
 public:
  // The pictures of Image controls become textures of this renderer; the fonts may be null.
  DialogView(DialogModel& model, SDL_Renderer* renderer, DialogFonts fonts);
  ~DialogView();
  DialogView(const DialogView&) = delete;
  DialogView& operator=(const DialogView&) = delete;

  DialogModel& Model() { return model_; }
  // Draws the dialog into the current ImGui frame over a picture of this size whose PB starts
  // at pbTop.
  void Draw(int pictureWidth, int pictureHeight, int pbTop);
  // Hands the model what the player did since the last call, in order; whatever follows the
  // action that closed the dialog is dropped.
  void Apply();
  // A key (virtual-key code of base/input.h) for the model's key handlers. While a text field
  // takes the typing only Escape reaches the model, as a focused field keeps the other keys,
  // unless the model previews them; nothing reaches it while the input method composes.
  void Key(int virtualKey, bool down);
  // The input method's text being composed (UTF-8), shown over the field until committed.
  void SetComposition(std::string text) { composition_ = std::move(text); }
  bool Composing() const { return !composition_.empty(); }
  // The text field that has the keyboard, as last drawn, in picture pixels, its left edge at
  // the text cursor; nothing while no field takes typing.
  std::optional<Rect> TextField() const { return textField_; }
  // The name of the field that has the keyboard, as last drawn; empty while none has.
  const std::string& TypingInto() const { return typingInto_; }
  // Where a point of the client area was last drawn, in picture pixels.
  Point ClientToPicture(int x, int y) const;

 private:
  enum class ActionKind { Set, Press, KeyDown, KeyUp };
  struct Action {
    ActionKind kind;
    std::string control;
    std::string value;
    int key = 0;
  };
  struct Texture {
    SDL_Texture* texture = nullptr;
    int width = 0;
    int height = 0;
    const Bitmap24* source = nullptr;
    uint64_t hash = 0;
  };

  void Queue(ActionKind kind, std::string control, std::string value = {});
  void DrawControl(const Control& control);
  void DrawFrame(const Control& control);
  void DrawLabel(const Control& control);
  void DrawButton(const Control& control);
  void DrawEdit(const Control& control);
  void DrawMemo(const Control& control);
  void DrawCheckBox(const Control& control);
  void DrawRadioGroup(const Control& control);
  void DrawTrackBar(const Control& control);
  void DrawSpinEdit(const Control& control);
  void DrawComboBox(const Control& control);
  void DrawListView(const Control& control);
  void DrawImage(const Control& control);
  void DrawComposition(float x, float y);
  // The control's top-left corner in the client area's window coordinates.
  void MoveTo(float x, float y);
  // Shrinks the face for a text of this width where it would not fit; FitEnd puts it back.
  void FitText(const std::string& text, float available);
  void FitEnd();
  SDL_Texture* TextureFor(const Control& control);
  static int EditCallback(ImGuiInputTextCallbackData* data);

  DialogModel& model_;
  SDL_Renderer* renderer_;
  DialogFonts fonts_;
  std::string title_;
  std::vector<Action> actions_;
  // Text typed into a field and not yet handed to the model: what the field shows meanwhile.
  std::map<std::string, std::string> typed_;
  std::map<std::string, Texture> textures_;
  // Each list's selected row as last drawn, to scroll a row chosen elsewhere into view.
  std::map<std::string, int> shownSelection_;
  std::set<int> withheld_;  // keys pressed while a field had the keyboard
  std::string composition_;
  std::optional<Rect> textField_;
  std::string typingInto_;
  DialogPlacement placement_;
  float originX_ = 0;  // the client area's top-left corner as last drawn, in picture pixels
  float originY_ = 0;
  float titleHeight_ = 0;
  bool appearing_ = true;
  int configFlagsBefore_ = 0;  // ImGui's configuration flags before the dialog showed
};

}  // namespace tolven
