#pragma once
#include "Raster.h"
#include "Sources.h"
#include "Text.h"

#include <string>

namespace assets {

// What every painter may use: the data sources (palette, texts, layouts) and
// the type.
struct ArtContext {
    const Sources& sources;
    Typesetter type;
    explicit ArtContext(const Sources& s) : sources(s) {}
    Rgba colour(const std::string& name, const char* fallback) const {
        return sources.colour(name, fallback);
    }
};

// Draws the image a manifest line asks for, choosing the painter from its key
// (and, for keys no painter claims, from its grid and description): always an
// image of exactly the manifest's size.
Raster paintImage(const ImageSpec& spec, ArtContext& art);

// The eight ball colours and the wild ball's, from the palette.
std::vector<Rgba> ballColours(const ArtContext& art);

// Painters, one per kind of picture. Each fills a raster of the size its manifest line gives.
Raster paintBallSheet(const ImageSpec& spec, ArtContext& art);
Raster paintBallShadow(const ImageSpec& spec, ArtContext& art);
Raster paintBallGlare(const ImageSpec& spec, ArtContext& art);
Raster paintBigBall(const ImageSpec& spec, ArtContext& art);

Raster paintBackground(const ImageSpec& spec, ArtContext& art, int layout);
Raster paintOverlayMask(const ImageSpec& spec, ArtContext& art, int layout, int overlay);
Raster paintMap(const ImageSpec& spec, ArtContext& art);
Raster paintMapPoint(const ImageSpec& spec, ArtContext& art);
Raster paintMapMarker(const ImageSpec& spec, ArtContext& art);
Raster paintInstructions(const ImageSpec& spec, ArtContext& art, int page);
Raster paintLogo(const ImageSpec& spec, ArtContext& art);
Raster paintLoadingBar(const ImageSpec& spec, ArtContext& art);
Raster paintIcon(const ImageSpec& spec, ArtContext& art);

Raster paintBurst(const ImageSpec& spec, ArtContext& art, int kind);
Raster paintFreeze(const ImageSpec& spec, ArtContext& art);
Raster paintWarning(const ImageSpec& spec, ArtContext& art);
Raster paintSparkle(const ImageSpec& spec, ArtContext& art);
Raster paintRipple(const ImageSpec& spec, ArtContext& art);
Raster paintTopTarget(const ImageSpec& spec, ArtContext& art);
Raster paintCollision(const ImageSpec& spec, ArtContext& art);
Raster paintWaterPiece(const ImageSpec& spec, ArtContext& art, bool fast);
Raster paintTrackHighlight(const ImageSpec& spec, ArtContext& art);
Raster paintRamp(const ImageSpec& spec, ArtContext& art);
Raster paintPowerups(const ImageSpec& spec, ArtContext& art);
Raster paintPowerupGlows(const ImageSpec& spec, ArtContext& art);
Raster paintFish(const ImageSpec& spec, ArtContext& art);
Raster paintJet(const ImageSpec& spec, ArtContext& art);

Raster paintDigits(const ImageSpec& spec, ArtContext& art, int style);
Raster paintPanel(const ImageSpec& spec, ArtContext& art);
Raster paintHud(const ImageSpec& spec, ArtContext& art);
Raster paintTitleScreen(const ImageSpec& spec, ArtContext& art);
Raster paintLoadingScreen(const ImageSpec& spec, ArtContext& art);
Raster paintPedestal(const ImageSpec& spec, ArtContext& art);
Raster paintButton(const ImageSpec& spec, ArtContext& art);
Raster paintLabel(const ImageSpec& spec, ArtContext& art);
Raster paintBanner(const ImageSpec& spec, ArtContext& art);
Raster paintOverlay(const ImageSpec& spec, ArtContext& art, const Rgba& colour);
Raster paintConsole(const ImageSpec& spec, ArtContext& art);
Raster paintCursor(const ImageSpec& spec, ArtContext& art);
Raster paintSlider(const ImageSpec& spec, ArtContext& art);
Raster paintTick(const ImageSpec& spec, ArtContext& art);
Raster paintTimerAnim(const ImageSpec& spec, ArtContext& art);
Raster paintDifficulty(const ImageSpec& spec, ArtContext& art);
Raster paintFontImage(const ImageSpec& spec, ArtContext& art, bool table);

// Shared drawing helpers.
// A glossy rounded panel filling the box, with rim and inner glow.
void drawPanel(Raster& r, float x, float y, float w, float h, float radius, const Rgba& base,
               const Rgba& rim);
// The colour-blind symbol of ball colour c (0..8) centred at (cx, cy), size s.
float symbolDistance(int colour, float x, float y, float cx, float cy, float s);
// Lines of words (headings start with "#") wrapped and centred in the box.
void drawTextBlock(Raster& r, ArtContext& art, const std::vector<std::string>& lines, float x,
                   float y, float w, float h, int maxSize);
// The label text of a spec: its quoted text, the texts file's entry for its
// key, or its key.
std::string labelText(const ImageSpec& spec, const ArtContext& art);

} // namespace assets
