#pragma once

#include <cstdint>

namespace tolven {

// The game screen (PB) and every full-size buffer.
inline constexpr int kScreenWidth = 800;
inline constexpr int kScreenHeight = 600;

// The screen that owns input and the idle step.
enum class EngineScreen : int {
  Story = 0,
  WindowHidden = 1,   // the message window is hidden to show the picture
  Roll = 3,           // scripted roll (`roll`)
  Shop = 4,           // item shop
  ScrollingText = 5,  // `sroll`
  Viewer = 6,         // picture and scene viewer
  Scroll = 7,         // `scroll`
  Recollection = 8,
  PageLookBack = 9,
  ItemScreen = 10,
};

// The page or line wait a page mark leaves for the player.
enum class PageWaitKind : int {
  None = 0,
  PageEnd = 1,    // '\': a click starts a new page
  PageKept = 2,   // '=': a click reads on, keeping the page
  VoiceKept = 4,  // '~': a new page, auto-advance waits for the voice
  NoIcon = 5,     // '+': a new page, no click-wait icon
};

// Whether the click that releases this wait starts a new page.
constexpr bool StartsNewPage(PageWaitKind wait) {
  return wait == PageWaitKind::PageEnd || wait == PageWaitKind::VoiceKept ||
         wait == PageWaitKind::NoIcon;
}

// The kind of choice on screen.
enum class ChoiceKind : int {
  None = 0,
  Select = 1,            // `select` in the message window
  SelectFullScreen = 2,  // `select` in full-screen text mode
  Clickmap = 4,
  Seltree = 6,
};

// The request input leaves for a running blocking effect.
enum class Interrupt : int { None = 0, Click = 1, Close = 2 };

// System values (the S bank): every one the engine reads or writes is named here, and only here.
namespace sv {
inline constexpr int kSaveAvailability = 0;      // menu phase: 0 all, 1 no saving, 2 and 3 none
inline constexpr int kRequestedTrack = 3;        // music: the track `music` last asked for
inline constexpr int kDateDisplay = 4;           // non-zero: the date is shown on the stage
inline constexpr int kPlayingTrack = 5;          // music: the track considered playing, 0 none
inline constexpr int kNameChanged = 6;           // the family name differs from the default
inline constexpr int kWindowDarkness = 8;        // full-screen text darkens the scene by this x 16
inline constexpr int kFullScreenBackground = 9;  // 0 clear and darken, 1 darken and redraw
inline constexpr int kResumePoint = 10;          // `backto` position; every script load clears it
inline constexpr int kSceneFilter = 11;          // 0 none, 1 darken, 2 sepia, 3 grey, 4 turned
inline constexpr int kSceneBrightness = 13;      // brightness of scene filter 1, in sixteenths
inline constexpr int kClickmapPressed = 15;      // `partsload` loaded a pressed clickmap picture
inline constexpr int kMorphSteps = 16;           // steps of transition 17, 1-128 (else 16)
inline constexpr int kTransitionCut = 19;        // set when the player cut a transition short
inline constexpr int kTransition4Extents[] = {20, 21};  // extents read by transition 4
inline constexpr int kFixed = 23;                       // cleared by `fix`
inline constexpr int kCharacterOrder = 24;  // 0 left to right, else reversed (2 and 4 shown)
inline constexpr int kTextReadMark = 25;    // the read mark of the text on screen
inline constexpr int kAutoSpeed = 26;       // auto-advance speed, 0 off, 1-10
inline constexpr int kLastAutoSpeed = 27;   // the speed auto-advance last ran at
inline constexpr int kChoiceSavesOff = 28;  // non-zero: no automatic save at choices
inline constexpr int kFullTextState = 32;   // cleared when full-screen text mode ends
inline constexpr int kAnimationCut = 40;    // set to 1 when the player cut an animation short
inline constexpr int kWindowStyle = 51;     // message window style (TXWStyle)
inline constexpr int kSelectCleared = 54;   // cleared by every `select`
inline constexpr int kHideWindow = 55;      // 2: the next present hides the message window
inline constexpr int kQuickBarStates = 60;  // S060-S066: states of the quick bar's entries 1-7
inline constexpr int kSkipButton = 60;      // the quick bar's skip button is on
inline constexpr int kAutoButton = 61;      // the quick bar's auto button is on
inline constexpr int kPressedQuickButtons[] = {63, 64, 65};  // held down on the quick bar
inline constexpr int kLogButton = 65;                        // the quick bar's log button, pressed
inline constexpr int kDramaMode = 70;        // voiced speaker lines show without the window
inline constexpr int kStandingCentres = 80;  // S080-S089: centres of one to four pictures
inline constexpr int kClearCount = 100;      // times the game was completed
inline constexpr int kTextMode = 150;        // 0 window text, 1 full-screen text
inline constexpr int kAutoNavigation = 151;  // S151-S153: recollection's auto-navigation
inline constexpr int kAutoNavigationSaved = 152;
inline constexpr int kAutoNavigationTarget = 153;
}  // namespace sv

// String rows: the ones scripts reach, and those with a use of their own.
namespace sr {
inline constexpr int kScriptRows = 10;   // rows 0-9 ($0-$9): what `string` writes, [$n] prints
inline constexpr int kFamilyName = 0;    // the protagonist's family name; S006 follows it
inline constexpr int kGivenName = 1;     // the protagonist's given name
inline constexpr int kHoverSound = 7;    // played when the pointer enters a clickmap place
inline constexpr int kPickSound = 8;     // played when a choice is picked; empty: the default
inline constexpr int kChapterTitle = 9;  // `title`; a saved game's description shows it
}  // namespace sr

// Auto-advance speeds the gauge and the menu give.
inline constexpr int kMinAutoSpeed = 1;
inline constexpr int kMaxAutoSpeed = 10;

}  // namespace tolven
