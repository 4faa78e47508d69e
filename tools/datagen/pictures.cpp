#include "datagen/pictures.h"

// k = (W/H) / A, with A the aspect each picture is shown at.
const PictureEntry showPictures[showPictureCount] = {
    {"gfx/tex1.jpg", 512, 512, 1.0f, true, true, Blend::Additive, PaintAmberFilaments},
    {"gfx/tex2.jpg", 512, 512, 1.0f, true, true, Blend::Additive, PaintRoseLattice},
    {"gfx/tex3.jpg", 256, 256, 0.75f, false, true, Blend::Additive, PaintTarget},
    {"gfx/tex4.jpg", 512, 512, 1.0f, false, true, Blend::Additive, PaintSunWheel},
    {"gfx/tex5.jpg", 256, 256, 1.0f, true, false, Blend::Solid, PaintVioletPlasma},
    {"gfx/tex6.jpg", 512, 512, 1.0f, true, true, Blend::Solid, PaintTunnelRibs},
    {"gfx/01.jpg", 1024, 512, 1.25f, false, true, Blend::Additive, PaintTitle},
    {"gfx/02.jpg", 512, 512, 0.75f, false, true, Blend::Additive, PaintSun},
    {"gfx/03.jpg", 512, 512, 1.0f, false, true, Blend::Additive, PaintNightWindow},
    {"gfx/04.jpg", 1024, 512, 1.15f, false, true, Blend::Additive, PaintRidgePanorama},
    {"gfx/05.jpg", 512, 256, 1.2f, false, false, Blend::Additive, PaintCloudShelf},
    {"gfx/06.jpg", 512, 512, 0.75f, false, true, Blend::Additive, PaintFilamentFrame},
    {"gfx/07.jpg", 512, 512, 1.0f, true, true, Blend::Additive, PaintScales},
    {"gfx/08.jpg", 512, 512, 1.0f, false, true, Blend::Additive, PaintNightDial},
    {"gfx/09.jpg", 512, 256, 1.2f, false, true, Blend::Additive, PaintLineSunset},
    {"gfx/text1.jpg", 1024, 32, 1.0f, false, true, Blend::Multiplied, PaintShadowStrip},
    {"gfx/text2.jpg", 512, 1024, 1.25f, false, true, Blend::Additive, PaintPoem},
    {"gfx/creds1.jpg", 512, 512, 1.2f, false, true, Blend::Multiplied, PaintCredits},
    {"data/noice1.jpg", 256, 256, 1.0f, true, false, Blend::Multiplied, PaintCloudShadows},
    {"data/akanpaa1.jpg", 256, 256, 1.0f, true, false, Blend::Lit, PaintMoonstoneGold},
    {"data/akanpaa2.jpg", 256, 256, 1.0f, true, false, Blend::Lit, PaintMoonstoneSilver},
    {"data/envi.jpg", 256, 256, 1.0f, false, false, Blend::Additive, PaintSkyBead},
    {"data/homo.jpg", 256, 256, 1.0f, true, true, Blend::Multiplied, PaintSpeckGrain},
    {"data/ratass.jpg", 512, 512, 1.0f, false, true, Blend::Multiplied, PaintGear},
    {"data/noice2.jpg", 256, 256, 1.0f, true, true, Blend::Multiplied, PaintDustGrain},
    {"data/addnoice.jpg", 256, 256, 1.0f, true, true, Blend::Additive, PaintSparkGrain},
    {"data/d-ny.jpg", 512, 256, 0.75f, false, true, Blend::Additive, PaintClosingFirst},
    {"data/d-flect.jpg", 512, 256, 0.75f, false, true, Blend::Additive, PaintEveningSky},
    {"data/d-stroy.jpg", 512, 256, 0.75f, false, true, Blend::Additive, PaintClosingSecond},
    {"data/shit.jpg", 64, 64, 1.0f, false, false, Blend::Solid, PaintGreyGradient},
};

Canvas PaintPicture(const PictureEntry& entry) {
  Canvas c = MakeCanvas(entry.width, entry.height, entry.k, entry.tiled);
  entry.paint(c);
  return c;
}
