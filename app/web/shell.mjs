// The application's shell in a web page: the panel and the About box drawn into two canvases with
// the layout, the button looks, the captions and the About box's frames of app/ (app.wasm), the
// pictures as the Windows build shows them, and the captions and credits in Liberation Sans, as
// the SDL build draws them. The panel is dragged by its picture; the About box is modal over the
// page; Exit fades the panel out. The page decides what the buttons start and stop (onFirstClick,
// onExit).

const FRAME_GREY = '#a6a6a6'; // the system's grey of a frame control, as the Windows build shows it
const FRAME_PERIOD_MS = 30;
const FADE_OUT_MS = 1792;
const CAPTION_FONT = '11px "Liberation Sans", Arial, sans-serif';
const CREDITS_FONT = 'bold 16px "Liberation Sans", Arial, sans-serif';
const CREDITS_COLOUR = '#fefefe';

const MAIN_BUTTONS = [
  { id: 'about', caption: '&About' },
  { id: 'exit', caption: 'E&xit' },
];
const CLOSE_BUTTON = { id: 'close', caption: 'X' };

// A colour reference (0x00BBGGRR) as CSS.
function css(colour) {
  const r = colour & 0xff, g = (colour >> 8) & 0xff, b = (colour >> 16) & 0xff;
  return `rgb(${r},${g},${b})`;
}

function rect(values, index) {
  const [x, y, width, height] = values.slice(4 * index, 4 * index + 4);
  return { x, y, width, height };
}

function inside(r, x, y) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

async function loadPicture(url) {
  const picture = new Image();
  picture.src = url;
  await picture.decode();
  return picture;
}

// app.wasm's calls, with numbers passed through its scratch area.
class AppParts {
  constructor(instance) {
    this.exports = instance.exports;
    this.exports._initialize();
    this.scratch = this.exports.app_scratch();
  }
  ints(count) {
    return Array.from(new Int32Array(this.exports.memory.buffer, this.scratch, count));
  }
  mainLayout() {
    this.exports.app_main_layout(this.scratch);
    const v = this.ints(22);
    return { window: rect(v, 0), frame: rect(v, 1), background: rect(v, 2), about: rect(v, 3),
             exit: rect(v, 4), pictureX: v[20], pictureY: v[21] };
  }
  aboutLayout() {
    this.exports.app_about_layout(this.scratch);
    const v = this.ints(20);
    return { window: rect(v, 0), title: rect(v, 1), frame: rect(v, 2), close: rect(v, 3),
             animation: rect(v, 4) };
  }
  buttonLook(pressed, focused) {
    this.exports.app_button_look(pressed ? 1 : 0, 0, focused ? 1 : 0, this.scratch);
    const [fill, outline, text, offset, focus, inset] = this.ints(6);
    return { fill, outline, text, offset, focus: focus !== 0, inset };
  }
  caption(marked) {
    const memory = new Uint8Array(this.exports.memory.buffer);
    const input = this.scratch + 16;
    for (let i = 0; i < marked.length; ++i) memory[input + i] = marked.charCodeAt(i);
    memory[input + marked.length] = 0;
    const text = this.exports.app_caption(input, this.scratch);
    const underlined = this.ints(1)[0];
    let shown = '';
    for (let p = text; memory[p] !== 0; ++p) shown += String.fromCharCode(memory[p]);
    return { text: shown, underlined };
  }
  aboutOpen(seed) {
    this.exports.app_about_open(seed >>> 0);
  }
  // The next frame: its pixels and its lines of credits.
  aboutFrame(width, height) {
    const address = this.exports.app_about_frame();
    const memory = this.exports.memory.buffer;
    const pixels = new ImageData(new Uint8ClampedArray(memory, address, width * height * 4).slice(),
                                 width, height);
    const lines = [];
    const bytes = new Uint8Array(memory);
    for (let i = 0; i < this.exports.app_about_line_count(); ++i) {
      const text = this.exports.app_about_line(i, this.scratch);
      const [length, right, top] = this.ints(3);
      lines.push({ text: String.fromCharCode(...bytes.subarray(text, text + length)), right, top });
    }
    return { pixels, lines };
  }
}

// Inverts every other pixel along a rectangle's edges, as a focus rectangle does.
function focusRectangle(context, r) {
  const image = context.getImageData(r.x, r.y, r.width, r.height);
  const invert = (x, y) => {
    const i = 4 * (y * r.width + x);
    for (let c = 0; c < 3; ++c) image.data[i + c] ^= 0xff;
  };
  for (let x = 0; x < r.width; x += 2) {
    invert(x, 0);
    invert(x, r.height - 1);
  }
  for (let y = 2; y < r.height - 1; y += 2) {
    invert(0, y);
    invert(r.width - 1, y);
  }
  context.putImageData(image, r.x, r.y);
}

function greyFrame(context, r) {
  context.fillStyle = FRAME_GREY;
  context.fillRect(r.x, r.y, r.width, 1);
  context.fillRect(r.x, r.y + r.height - 1, r.width, 1);
  context.fillRect(r.x, r.y, 1, r.height);
  context.fillRect(r.x + r.width - 1, r.y, 1, r.height);
}

function drawButton(context, parts, r, caption, pressed, focused) {
  const look = parts.buttonLook(pressed, focused);
  context.fillStyle = css(look.outline);
  context.fillRect(r.x, r.y, r.width, r.height);
  context.fillStyle = css(look.fill);
  context.fillRect(r.x + 1, r.y + 1, r.width - 2, r.height - 2);
  const { text, underlined } = parts.caption(caption);
  context.font = CAPTION_FONT;
  context.textBaseline = 'alphabetic';
  const metrics = context.measureText(text);
  const ascent = Math.round(metrics.fontBoundingBoxAscent);
  const height = ascent + Math.round(metrics.fontBoundingBoxDescent);
  const x = r.x + Math.trunc((r.width - Math.round(metrics.width)) / 2) + look.offset;
  const y = r.y + Math.trunc((r.height - height) / 2) + look.offset;
  context.fillStyle = css(look.text);
  context.fillText(text, x, y + ascent);
  if (underlined >= 0) {
    const before = Math.round(context.measureText(text.slice(0, underlined)).width);
    const width = Math.round(context.measureText(text[underlined]).width);
    context.fillRect(x + before, y + ascent + 1, width, 1);
  }
  if (look.focus) {
    const inset = look.inset;
    focusRectangle(context, { x: r.x + inset, y: r.y + inset, width: r.width - 2 * inset,
                              height: r.height - 2 * inset });
  }
}

// Starts the shell on the page's elements: panel (the main window's element, holding mainCanvas),
// about (the About box's element, holding aboutCanvas), modal (what covers the page while the box
// is open). appWasm, background and title are the URLs of app.wasm and the two pictures.
export async function startApp({ panel, mainCanvas, about, aboutCanvas, modal, appWasm,
                                 background, title, seed, onFirstClick, onExit }) {
  const [instance, backgroundPicture, titlePicture] = await Promise.all([
    WebAssembly.instantiateStreaming(fetch(appWasm)).then((result) => result.instance),
    loadPicture(background),
    loadPicture(title),
  ]);
  await document.fonts.load(CAPTION_FONT);
  await document.fonts.load(CREDITS_FONT);
  const parts = new AppParts(instance);
  const main = parts.mainLayout();
  const box = parts.aboutLayout();
  mainCanvas.width = main.window.width;
  mainCanvas.height = main.window.height;
  aboutCanvas.width = box.window.width;
  aboutCanvas.height = box.window.height;
  const mainContext = mainCanvas.getContext('2d', { willReadFrequently: true });
  const aboutContext = aboutCanvas.getContext('2d', { willReadFrequently: true });
  for (const context of [mainContext, aboutContext]) context.imageSmoothingEnabled = false;

  // A centring picture control fills around its picture with the picture's top-left colour.
  const corner = document.createElement('canvas').getContext('2d');
  corner.drawImage(backgroundPicture, 0, 0);
  const [r, g, b] = corner.getImageData(0, 0, 1, 1).data;
  const cornerColour = `rgb(${r},${g},${b})`;

  const buttons = { about: main.about, exit: main.exit, close: box.close };
  const state = { focus: null, press: null, open: false, frame: null, timer: 0, started: false };

  function paintMain() {
    const c = mainContext;
    c.fillStyle = '#000';
    c.fillRect(0, 0, main.window.width, main.window.height);
    greyFrame(c, main.frame);
    const control = main.background;
    c.fillStyle = cornerColour;
    c.fillRect(control.x, control.y, control.width, control.height);
    c.save();
    c.beginPath();
    c.rect(control.x, control.y, control.width, control.height);
    c.clip();
    c.drawImage(backgroundPicture, main.pictureX, main.pictureY);
    c.restore();
    for (const button of MAIN_BUTTONS) paintButton(c, button);
  }

  function paintButton(context, button) {
    const press = state.press;
    const pressed = press !== null && press.button === button.id && press.inside;
    drawButton(context, parts, buttons[button.id], button.caption, pressed,
               state.focus === button.id);
  }

  function paintAbout() {
    const c = aboutContext;
    c.fillStyle = '#000';
    c.fillRect(0, 0, box.window.width, box.window.height);
    greyFrame(c, box.frame);
    const area = box.animation;
    if (state.frame !== null) {
      c.putImageData(state.frame.pixels, area.x, area.y);
      c.save();
      c.beginPath();
      c.rect(area.x, area.y, area.width, area.height);
      c.clip();
      c.font = CREDITS_FONT;
      c.fillStyle = CREDITS_COLOUR;
      c.textAlign = 'right';
      c.textBaseline = 'top';
      // Lines are moved into view by trailing spaces, 4 pixels each in the templates' font.
      for (const line of state.frame.lines) {
        const text = line.text.trimEnd();
        const spaces = line.text.length - text.length;
        c.fillText(text, area.x + line.right - 4 * spaces, area.y + line.top);
      }
      c.restore();
    }
    c.drawImage(titlePicture, box.title.x, box.title.y);
    paintButton(c, CLOSE_BUTTON);
  }

  function nextFrame() {
    state.frame = parts.aboutFrame(box.animation.width, box.animation.height);
    paintAbout();
  }

  function openAbout() {
    state.open = true;
    state.focus = null;
    parts.aboutOpen(seed ?? Math.floor(performance.now()));
    modal.hidden = false;
    about.hidden = false;
    // Centred as a dialog is, on whole pixels: a canvas between pixels would be blurred.
    about.style.left = `${Math.floor((innerWidth - box.window.width) / 2)}px`;
    about.style.top = `${Math.floor((innerHeight - box.window.height) / 2)}px`;
    nextFrame();
    state.timer = setInterval(nextFrame, FRAME_PERIOD_MS);
  }

  function closeAbout() {
    clearInterval(state.timer);
    state.open = false;
    about.hidden = true;
    modal.hidden = true;
    state.focus = 'about'; // the button that opened the box has the focus again
    paintMain();
  }

  function exit() {
    onExit?.();
    panel.style.transition = `opacity ${FADE_OUT_MS}ms linear`;
    panel.style.opacity = '0';
    panel.addEventListener('transitionend', () => { panel.hidden = true; }, { once: true });
  }

  const commands = { about: openAbout, exit, close: closeAbout };

  // Presses on a canvas: on a button it is pressed while the pointer stays over it and acts when
  // released there; elsewhere on the panel it drags the panel.
  function listen(canvas, owned, repaint) {
    canvas.addEventListener('pointerdown', (event) => {
      if (event.button !== 0) return;
      if (!state.started) {
        state.started = true;
        onFirstClick?.();
      }
      const hit = owned.find((id) => inside(buttons[id], event.offsetX, event.offsetY)) ?? null;
      state.press = { button: hit, inside: true, x: event.clientX, y: event.clientY,
                      left: panel.offsetLeft, top: panel.offsetTop };
      if (hit !== null) state.focus = hit;
      canvas.setPointerCapture(event.pointerId);
      repaint();
    });
    canvas.addEventListener('pointermove', (event) => {
      const press = state.press;
      if (press === null) return;
      if (press.button === null) {
        if (canvas === mainCanvas) {
          panel.style.left = `${press.left + event.clientX - press.x}px`;
          panel.style.top = `${press.top + event.clientY - press.y}px`;
        }
        return;
      }
      const over = inside(buttons[press.button], event.offsetX, event.offsetY);
      if (over !== press.inside) {
        press.inside = over;
        repaint();
      }
    });
    canvas.addEventListener('pointerup', (event) => {
      const press = state.press;
      if (press === null || event.button !== 0) return;
      state.press = null;
      repaint();
      if (press.button !== null && press.inside) commands[press.button]();
    });
  }
  listen(mainCanvas, ['about', 'exit'], paintMain);
  listen(aboutCanvas, ['close'], paintAbout);

  paintMain();
  return { openAbout, closeAbout, exit };
}
