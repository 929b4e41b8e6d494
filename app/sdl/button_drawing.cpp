#include "app/colours.h"
#include "app/sdl/shell.h"

namespace app::sdl {

namespace {

Uint32 mapped(SDL_Surface* surface, std::uint32_t colour) {
  return SDL_MapRGB(surface->format, redOf(colour), greenOf(colour), blueOf(colour));
}

void fill(SDL_Surface* surface, int x, int y, int w, int h, Uint32 colour) {
  SDL_Rect rect{x, y, w, h};
  SDL_FillRect(surface, &rect, colour);
}

// A dotted rectangle that inverts every other pixel, as a focus rectangle does.
void focusRectangle(SDL_Surface* surface, const SDL_Rect& r) {
  if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
  const int bytes = surface->format->BytesPerPixel;
  auto invert = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= surface->w || y >= surface->h || bytes != 4) return;
    auto* pixel = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch) + x;
    *pixel ^= surface->format->Rmask | surface->format->Gmask | surface->format->Bmask;
  };
  for (int x = r.x; x < r.x + r.w; x += 2) {
    invert(x, r.y);
    invert(x, r.y + r.h - 1);
  }
  for (int y = r.y + 2; y < r.y + r.h - 1; y += 2) {
    invert(r.x, y);
    invert(r.x + r.w - 1, y);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

}  // namespace

void drawButton(SDL_Surface* surface, const Button& button, ButtonState state, TTF_Font* font) {
  const ButtonLook look = buttonLook(state);
  SDL_Rect rect = toSdl(button.rect);
  // The area behind the button, then a one-pixel outline filled with the state's colour.
  SDL_FillRect(surface, &rect, mapped(surface, BLACK));
  SDL_FillRect(surface, &rect, mapped(surface, look.outlineColour));
  fill(surface, rect.x + 1, rect.y + 1, rect.w - 2, rect.h - 2, mapped(surface, look.fillColour));

  const Caption caption = parseCaption(button.caption);
  if (font != nullptr && caption.text[0] != 0) {
    const SDL_Color white{redOf(look.textColour), greenOf(look.textColour), blueOf(look.textColour), 255};
    if (SDL_Surface* text = TTF_RenderText_Blended(font, caption.text, white)) {
      const int x = rect.x + (rect.w - text->w) / 2 + look.captionOffset;
      const int y = rect.y + (rect.h - TTF_FontHeight(font)) / 2 + look.captionOffset;
      SDL_Rect at{x, y, text->w, text->h};
      SDL_BlitSurface(text, nullptr, surface, &at);
      if (caption.underlined >= 0) {
        char before[CAPTION_CHARS + 1] = {};
        char marked[2] = {caption.text[caption.underlined], 0};
        SDL_memcpy(before, caption.text, static_cast<size_t>(caption.underlined));
        int offset = 0, width = 0;
        TTF_SizeText(font, before, &offset, nullptr);
        TTF_SizeText(font, marked, &width, nullptr);
        fill(surface, x + offset, y + TTF_FontAscent(font) + 1, width, 1, mapped(surface, look.textColour));
      }
      SDL_FreeSurface(text);
    }
  }
  if (look.focusRectangle) {
    focusRectangle(surface, SDL_Rect{rect.x + FOCUS_INSET, rect.y + FOCUS_INSET,
                                     rect.w - 2 * FOCUS_INSET, rect.h - 2 * FOCUS_INSET});
  }
}

}  // namespace app::sdl
