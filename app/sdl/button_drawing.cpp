#include "app/colours.h"
#include "app/sdl/shell.h"

namespace app::sdl {

namespace {

Uint32 mapped(SDL_Surface* surface, std::uint32_t colour) {
  return SDL_MapRGB(surface->format, redOf(colour), greenOf(colour), blueOf(colour));
}

// Fills a rectangle given in layout pixels.
void fill(SDL_Surface* surface, const PixelRect& r, std::int32_t scale, Uint32 colour) {
  const SDL_Rect rect = toSdl(r, scale);
  SDL_FillRect(surface, &rect, colour);
}

// A dotted rectangle that inverts every other pixel, as a focus rectangle does; each of its dots
// is a block of scale by scale screen pixels.
void focusRectangle(SDL_Surface* surface, const PixelRect& r, std::int32_t scale) {
  if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
  const int bytes = surface->format->BytesPerPixel;
  const Uint32 colourBits =
      surface->format->Rmask | surface->format->Gmask | surface->format->Bmask;
  auto invert = [&](int x, int y) {
    for (int sy = y * scale; sy < (y + 1) * scale; ++sy) {
      for (int sx = x * scale; sx < (x + 1) * scale; ++sx) {
        if (sx < 0 || sy < 0 || sx >= surface->w || sy >= surface->h || bytes != 4) continue;
        auto* row =
            reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + sy * surface->pitch);
        row[sx] ^= colourBits;
      }
    }
  };
  for (int x = r.x; x < r.x + r.width; x += 2) {
    invert(x, r.y);
    invert(x, r.y + r.height - 1);
  }
  for (int y = r.y + 2; y < r.y + r.height - 1; y += 2) {
    invert(r.x, y);
    invert(r.x + r.width - 1, y);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

}  // namespace

void drawButton(SDL_Surface* surface, const Button& button, ButtonState state, TTF_Font* font,
                std::int32_t scale) {
  const ButtonLook look = buttonLook(state);
  const PixelRect& r = button.rect;
  // The area behind the button, then a one-pixel outline filled with the state's colour.
  fill(surface, r, scale, mapped(surface, BLACK));
  fill(surface, r, scale, mapped(surface, look.outlineColour));
  fill(surface, {r.x + 1, r.y + 1, r.width - 2, r.height - 2}, scale,
       mapped(surface, look.fillColour));

  // The caption is rendered at the scaled font's size and placed in screen pixels.
  const Caption caption = parseCaption(button.caption);
  if (font != nullptr && caption.text[0] != 0) {
    const SDL_Color white{redOf(look.textColour), greenOf(look.textColour), blueOf(look.textColour), 255};
    if (SDL_Surface* text = TTF_RenderText_Blended(font, caption.text, white)) {
      const SDL_Rect rect = toSdl(r, scale);
      const int x = rect.x + (rect.w - text->w) / 2 + look.captionOffset * scale;
      const int y = rect.y + (rect.h - TTF_FontHeight(font)) / 2 + look.captionOffset * scale;
      SDL_Rect at{x, y, text->w, text->h};
      SDL_BlitSurface(text, nullptr, surface, &at);
      if (caption.underlined >= 0) {
        char before[CAPTION_CHARS + 1] = {};
        char marked[2] = {caption.text[caption.underlined], 0};
        SDL_memcpy(before, caption.text, static_cast<size_t>(caption.underlined));
        int offset = 0, width = 0;
        TTF_SizeText(font, before, &offset, nullptr);
        TTF_SizeText(font, marked, &width, nullptr);
        SDL_Rect underline{x + offset, y + TTF_FontAscent(font) + scale, width, scale};
        SDL_FillRect(surface, &underline, mapped(surface, look.textColour));
      }
      SDL_FreeSurface(text);
    }
  }
  if (look.focusRectangle) {
    focusRectangle(surface,
                   {r.x + FOCUS_INSET, r.y + FOCUS_INSET, r.width - 2 * FOCUS_INSET,
                    r.height - 2 * FOCUS_INSET},
                   scale);
  }
}

}  // namespace app::sdl
