// The WinAnsi encoding's tables and singleton.
#include "GWinAnsiEncoding.h"

namespace
{
constexpr unsigned char cBulletCode = 0x95;
constexpr unsigned short cBulletCharacter = 0x2022;
} // namespace

GBuffer const GWinAnsiEncoding::sWinAnsiDescription = GBuffer::FromStatic("WinAnsiEncoding");

GSharedObject<GWinAnsiEncoding> GWinAnsiEncoding::sWinAnsiEncoding;

GWinAnsiEncoding::GWinAnsiEncoding() : GSimpleEncoding(sWinAnsiDescription)
{
    // 0x95 comes first so that the name "bullet" and U+2022 find it, not the lower codes that read
    // as bullets too.
    GBuffer bullet;
    bullet.SetFromStatic("bullet");
    AddMapping(cBulletCode, bullet, cBulletCharacter);
    AddLatinGlyphNames(&GLatinGlyphRow::fWin, false);
    // The code page's holes (0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D) are drawn as bullets.
    for (int code = 0x21; code <= 0xFF; ++code)
        if (!HasMapping(static_cast<unsigned char>(code)))
            AddMapping(static_cast<unsigned char>(code), bullet);
    AddCharacters(sWinAnsiToUnicode);
}

GWinAnsiEncoding::~GWinAnsiEncoding() = default;

GWinAnsiEncoding* GWinAnsiEncoding::GetInstance()
{
    return sWinAnsiEncoding.Get();
}

void GWinAnsiEncoding::SetInstance(GWinAnsiEncoding* p)
{
    sWinAnsiEncoding = p;
}
