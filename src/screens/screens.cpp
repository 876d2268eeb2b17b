#include "screens/screens.h"

namespace tolven {

Screens::Screens(const ScreenParts& parts)
    : replay_(parts.interpreter, parts.flags, parts.engine),
      hiddenWindow_(parts.backlog),
      pageLookBack_(parts.backlog),
      roll_({parts.host, parts.clock, parts.pb, parts.stage, parts.archives, parts.definitions,
             parts.state, parts.music, parts.flags, parts.engine, parts.interpreter, parts.trace}),
      scrollingText_({parts.host, parts.pb, parts.stage, parts.archives, parts.definitions,
                      parts.variables, parts.state, parts.settings, parts.music, parts.flags,
                      parts.engine, parts.trace}),
      pictureScroll_(parts.host, parts.pb, parts.stage, parts.flags, parts.engine),
      specials_({parts.host, parts.clock, parts.pb, parts.stage, parts.archives, parts.definitions,
                 parts.variables, parts.flags, parts.engine, parts.trace}),
      itemPictures_(parts.stage, parts.archives, parts.trace),
      itemShop_({parts.pb, parts.stage, parts.glyphs, parts.flags, parts.state, itemPictures_}),
      inventory_({parts.host, parts.clock, parts.pb, parts.stage, parts.glyphs, parts.flags,
                  parts.state, itemPictures_}),
      viewer_({parts.pb, parts.stage, parts.archives, parts.definitions, parts.interpreter,
               parts.engine, parts.flags, parts.state, parts.sound, parts.music, parts.progress,
               parts.galleryList, replay_}),
      recollection_({parts.host, parts.pb, parts.stage, parts.archives, parts.interpreter,
                     parts.engine, parts.flags, parts.state, parts.sound, parts.music,
                     parts.progress, replay_}),
      animations_({parts.host, parts.pb, parts.stage, parts.archives, parts.variables, parts.state,
                   parts.settings, parts.sound, parts.music, parts.flags, parts.engine,
                   parts.trace}),
      subtitles_(parts.host, parts.clock, parts.pb, parts.flags, parts.engine),
      objects_(
          parts.host, parts.clock, parts.pb, parts.stage, parts.archives, parts.definitions,
          [&variables = parts.variables](std::string_view expression) {
            return variables.EvaluateExpression(expression);
          },
          parts.trace) {
  registry_.Register(EngineScreen::WindowHidden, hiddenWindow_);
  registry_.Register(EngineScreen::Roll, roll_);
  registry_.Register(EngineScreen::Shop, itemShop_);
  registry_.Register(EngineScreen::ScrollingText, scrollingText_);
  registry_.Register(EngineScreen::Scroll, pictureScroll_);
  registry_.Register(EngineScreen::Viewer, viewer_);
  registry_.Register(EngineScreen::Recollection, recollection_);
  registry_.Register(EngineScreen::PageLookBack, pageLookBack_);
  registry_.Register(EngineScreen::ItemScreen, inventory_);
}

// A replay goes back to the screen that started it: recollection's scenes to the recollection
// screen, not to a viewer that was never opened.
void Screens::ReturnFromReplay() {
  if (replay_.Origin() == ReplayOrigin::Recollection) {
    recollection_.ReturnToScreen();
  } else {
    viewer_.ReturnFromReplay();
  }
}

}  // namespace tolven
