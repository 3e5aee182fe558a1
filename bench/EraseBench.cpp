// Background erase: one WM_ERASEBKGND of the skinned claim dialog (the
// picture stretched over the client area) against one bare StretchDIBits of
// the same picture, the library's bitmap resource 101, to the same rectangle
// of the same device context. Median of rounds that take turns; asserts
// nothing.
#include <vector>
#include "BenchSupport.h"
#include "UiDriver.h"

namespace {

const int kRounds = 41;
const int kPerRound = 20;
const double kTarget = 1.1;

struct Picture {
    const BITMAPINFO* info = nullptr;
    const void* bits = nullptr;
};

// The background picture as the resource holds it: header, colour table, rows.
Picture BackgroundResource(HMODULE hLib)
{
    Picture pic;
    HRSRC hRes = ::FindResourceA(hLib, MAKEINTRESOURCEA(101), RT_BITMAP);
    const BYTE* p = hRes ? static_cast<const BYTE*>(::LockResource(::LoadResource(hLib, hRes))) : nullptr;
    if (p == nullptr)
        return pic;
    pic.info = reinterpret_cast<const BITMAPINFO*>(p);
    const BITMAPINFOHEADER& h = pic.info->bmiHeader;
    DWORD nColors = h.biClrUsed != 0 ? h.biClrUsed : (h.biBitCount <= 8 ? 1u << h.biBitCount : 0);
    pic.bits = p + h.biSize + nColors * sizeof(RGBQUAD);
    return pic;
}

// A palette of the picture's colour table, as the library makes one.
HPALETTE PaletteOf(const Picture& pic)
{
    const BITMAPINFOHEADER& h = pic.info->bmiHeader;
    const DWORD n = h.biClrUsed != 0 ? h.biClrUsed : (h.biBitCount <= 8 ? 1u << h.biBitCount : 0);
    std::vector<BYTE> block(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
    LOGPALETTE* pLog = reinterpret_cast<LOGPALETTE*>(block.data());
    pLog->palVersion = 0x300;
    pLog->palNumEntries = static_cast<WORD>(n);
    for (DWORD i = 0; i < n; ++i)
        pLog->palPalEntry[i] = {pic.info->bmiColors[i].rgbRed, pic.info->bmiColors[i].rgbGreen,
                                pic.info->bmiColors[i].rgbBlue, 0};
    return n != 0 ? ::CreatePalette(pLog) : nullptr;
}

} // namespace

int bench::Run(Library& lib, ui::DialogRun& player)
{
    const Picture pic = BackgroundResource(lib.Module());
    if (pic.info == nullptr)
        return bench::Fail("no background picture in the library");

    std::vector<double> erase, bare, paletted;
    RECT rcClient = {};
    player.OnPainted([&](HWND hDlg, LONGLONG) {
        player.RemoveHooks();
        ::GetClientRect(hDlg, &rcClient);
        HDC hDC = ::GetDC(hDlg);
        // Both draw with the stretch mode the library sets for its pictures.
        ::SetStretchBltMode(hDC, COLORONCOLOR);
        const BITMAPINFOHEADER& h = pic.info->bmiHeader;
        const LONG height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
        HPALETTE hPalette = PaletteOf(pic);
        for (int round = 0; round < kRounds; ++round) {
            double t0 = bench::NowMs();
            for (int i = 0; i < kPerRound; ++i)
                ::SendMessageA(hDlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
            ::GdiFlush();
            double t1 = bench::NowMs();
            for (int i = 0; i < kPerRound; ++i)
                ::StretchDIBits(hDC, 0, 0, rcClient.right, rcClient.bottom, 0, 0, h.biWidth, height, pic.bits,
                                pic.info, DIB_RGB_COLORS, SRCCOPY);
            ::GdiFlush();
            double t2 = bench::NowMs();
            // The bare call again, inside the palette handling the library does
            // around it: shows where the difference goes.
            for (int i = 0; i < kPerRound; ++i) {
                HPALETTE hOld = ::SelectPalette(hDC, hPalette, FALSE);
                ::RealizePalette(hDC);
                ::SetStretchBltMode(hDC, COLORONCOLOR);
                ::StretchDIBits(hDC, 0, 0, rcClient.right, rcClient.bottom, 0, 0, h.biWidth, height, pic.bits,
                                pic.info, DIB_RGB_COLORS, SRCCOPY);
                ::SelectPalette(hDC, hOld, FALSE);
            }
            ::GdiFlush();
            double t3 = bench::NowMs();
            erase.push_back((t1 - t0) * 1000.0 / kPerRound);
            bare.push_back((t2 - t1) * 1000.0 / kPerRound);
            paletted.push_back((t3 - t2) * 1000.0 / kPerRound);
        }
        ::ReleaseDC(hDlg, hDC);
        ::DeleteObject(hPalette);
        player.RestoreHooks();
    });
    lib.Show();
    if (erase.empty())
        return bench::Fail("the dialog did not paint");

    const double us = bench::Median(erase), floor = bench::Median(bare);
    bench::PrintTable("erase_bench: background erase",
        {bench::Format("One WM_ERASEBKGND of the claim dialog (client area %ld x %ld, picture %ld x %ld at %d bits), "
                       "sent on the dialog's thread with a DC of the dialog, against one bare StretchDIBits of the "
                       "same picture (the library's bitmap resource) to the same rectangle of the same DC. Median "
                       "of %d rounds of %d each, taking turns.",
                       rcClient.right, rcClient.bottom, pic.info->bmiHeader.biWidth, pic.info->bmiHeader.biHeight,
                       pic.info->bmiHeader.biBitCount, kRounds, kPerRound)},
        {{"one erase (us)", bench::Format("%.1f", us), bench::Format("%.1f", floor), bench::Format("%.3f", us / floor),
          bench::Format("<= %.1f", kTarget), bench::Met(us / floor, kTarget)},
         {"bare StretchDIBits inside the palette handling (us)", bench::Format("%.1f", bench::Median(paletted)),
          bench::Format("%.1f", floor), bench::Format("%.3f", bench::Median(paletted) / floor), "", ""}});
    return 0;
}
