#pragma once

#include "core/Ref.h"
#include "engine/DataLoader.h"
#include "support/IoTestSupport.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A small scene of dialogs and buttons, written as data files and read by the
// real DataLoader, as the game builds its menus. Canvas coordinates:
//
//   scenery   Sprite of pic.png at (0, 580)
//   behind    ButtonSprite at (370, 270), normal, under `outer` (drawn before it)
//   free      ButtonSprite at (500, 500), 10 x 10, normal (outside every dialog)
//   hot       RectButtonSprite (20, 30, 40, 50), normal
//   plain     ButtonSprite with seven integers: hidden and disabled
//   outer     DialogSprite (100, 100, 300, 200), non-modal, visible; children in
//             its own coordinates, topmost last:
//               pic       Sprite of pic.png (4 x 4 red) at (250, 10)
//               ok        button (10, 10)      -> canvas (110, 110)
//               off       disabled button (10, 40)
//               under     button (170, 70), below `inner` in drawing order
//               inner     DialogSprite (140, 40, 100, 100) with innerbtn at (10, 10)
//                         and covered at (70, 50) (under `top`)
//               top       DialogSprite (200, 80, 80, 80) with topbtn at (30, 30),
//                         overlapping `inner`
//   modaldlg  DialogSprite (600, 20, 100, 100), modal, hidden; mbtn a
//             RectButtonSprite (5, 5, 10, 10)
//
// Button frames (btn.png, 3 x 1 cells of 10 x 10): 0 grey (disabled), 1 blue
// (normal), 2 green (hover).
//
// `extraSprites` are further entries of the main file, above all of these;
// `extraFiles` further data files (name, text) they may name.
class DialogScene {
public:
    static constexpr uint32_t grey = 0xFF808080u;
    static constexpr uint32_t blue = 0xFF0000FFu;
    static constexpr uint32_t green = 0xFF00FF00u;
    static constexpr uint32_t red = 0xFFFF0000u;

    explicit DialogScene(const std::string& extraSprites = "",
                         const std::vector<std::pair<std::string, std::string>>& extraFiles = {});

    engine::DataLoader& loader() { return *dataLoader; }
    // A sprite of the main file, or a child of a dialog given as "dialog/name"
    // (nested: "outer/inner/innerbtn"); null when absent.
    template <class T>
    T* get(const char* path) {
        return static_cast<T*>(find(path));
    }

private:
    lang::Object* find(const char* path);

    iotest::TempDir dir;
    lang::Ref<engine::DataLoader> dataLoader;
};

} // namespace testsupport
