#pragma once

#include <cstdint>
#include <string>

namespace tolven {

// One button of the menu bar as the player sees it. Captions are UTF-8: the menu bar is drawn
// by the platform layer, which never sees Shift-JIS.
struct MenuButton {
  std::string caption;
  bool visible = true;
  bool enabled = true;
  uint32_t captionColour = 0x000000;  // 0xRRGGBB; blue while auto-advance runs
};

// One entry of the popup menu under the quit button.
struct MenuItem {
  std::string caption;
  bool visible = true;
};

// The menu bar above the game screen (Panel1) and its popup menu (PopupMenu1), as data: the
// engine sets it, the window draws it and reports clicks back to the engine's handlers.
struct MenuBar {
  bool Panel1Visible = true;  // hidden in full screen until the pointer nears the top-left
  bool Panel1Enabled = true;
  MenuButton SpeedButton1{"終了"};
  MenuButton SpeedButton2{"設定"};
  MenuButton SpeedButton3{"セーブ"};
  MenuButton SpeedButton4{"ロード"};
  MenuButton SpeedButton5{"セーブ編集", false};
  MenuButton SpeedButton6{"オートナビ終了", false};
  MenuButton SpeedButton7{"自動送り"};
  MenuButton SpeedButton8{"アイテム"};
  bool TrackBar1Visible = false;  // auto-advance speed, 1-10
  int TrackBar1Position = 3;

  bool PopupMenu1Open = false;  // shown under SpeedButton1
  int PopupMenu1X = 0;          // where it opens, in client coordinates
  int PopupMenu1Y = 0;
  MenuItem N6{"タイトルへ戻る"};
  MenuItem N7{"ゲーム終了"};
  MenuItem N1{"シーンスキップ", false};  // only during a scene replay
  MenuItem N2{"回想モード終了", false};  // only during a scene replay

  bool PopupMenu2Open = false;  // recollection's pop-up over a scene, opened by a right press
  int PopupMenu2X = 0;          // at the scene's cell, in picture coordinates
  int PopupMenu2Y = 0;
  MenuItem PU_Post1{"登録"};  // adds the scene to the current slot
  MenuItem PU_Post2{"確認"};  // plays the scene

  // The button or pop-up entry the keyboard or a controller is on ("SpeedButton3", "N6");
  // empty while the keys go to the game.
  std::string KeyFocus;
};

inline constexpr uint32_t kAutoCaptionColour = 0x0000FF;  // the caption turns blue
inline constexpr uint32_t kPlainCaptionColour = 0x000000;

}  // namespace tolven
