// The page in headless Chromium, served from 127.0.0.1: a module chosen through the file input
// plays, and what the AudioWorklet gives the audio graph equals the native render at the
// context's rate; the panel and the About box show the Linux application's pixels outside the
// captions, and the About box's noise is app/'s frame for the page's seed; the first click starts
// the tune and Exit stops it, the panel fading out.
//   node tests/web/page_test.mjs PAGE_DIR NATIVE_JINGLE MODULE ARTIFACT_DIR
import { spawn, spawnSync } from 'node:child_process';
import { existsSync, readFileSync, writeFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { openPage } from './chromium.mjs';

const [pageDir, native, module, artifacts] = process.argv.slice(2).map((arg) => resolve(arg));
const SEED = 20231;
let failures = 0;
function check(what, ok) {
  if (!ok) failures += 1;
  console.log(`  ${ok ? 'ok' : 'FAILED'}: ${what}`);
}
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Python's server on a port the system picks; it prints the address.
const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '--directory',
  pageDir, '0'], { stdio: ['ignore', 'pipe', 'ignore'] });
const port = await new Promise((found) => {
  server.stdout.on('data', (text) => {
    const match = /port (\d+)/.exec(text);
    if (match) found(match[1]);
  });
});
let page;
try {
  page = await openPage(`http://127.0.0.1:${port}/index.html?seed=${SEED}`);
  await page.evaluate('new Promise((ready) => { const wait = () => jinglePage.app ? ready() : setTimeout(wait, 50); wait(); })');
  const box = (id) => page.evaluate(`(() => { const r = document.getElementById('${id}').getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height }; })()`);

  // Raw RGB of a PNG, through ImageMagick, masked where rectangles (x0, y0, x1, y1) say.
  const rgb = (png, masks = []) => spawnSync('convert', ['png:-', '-fill', 'black',
    ...masks.flatMap((m) => ['-draw', `rectangle ${m.join(',')}`]), 'rgb:-'], { input: png }).stdout;
  function matchesLinux(name, png, masks) {
    const linux = join(artifacts, `${name}-linux-only.png`);
    writeFileSync(join(artifacts, `${name}-web.png`), png);
    if (!existsSync(linux)) return console.log(`  note: no ${linux} to compare with`);
    const web = rgb(png, masks);
    const theirs = rgb(readFileSync(linux), masks);
    let differing = 0;
    for (let i = 0; i < web.length; i += 3) differing += web.compare(theirs, i, i + 3, i, i + 3) !== 0;
    check(`the ${name} equals the Linux application's outside the captions (${differing} differ)`,
          web.length === theirs.length && differing === 0);
  }

  const panel = await box('main-window');
  matchesLinux('main-window', await page.screenshot(panel),
               [[13, 192, 70, 210], [253, 194, 286, 213]]);

  // A tap after the node every sound goes through, made before the module is chosen.
  const rate = await page.evaluate(`(async () => {
    const context = await jinglePage.audio();
    const code = "registerProcessor('tap', class extends AudioWorkletProcessor {" +
      " process([input], [output]) { if (input.length === 2) this.port.postMessage([input[0].slice(), input[1].slice()]);" +
      " return true; } });";
    await context.audioWorklet.addModule(URL.createObjectURL(new Blob([code], { type: 'text/javascript' })));
    const tap = new AudioWorkletNode(context, 'tap', { outputChannelCount: [2] });
    window.heard = [];
    tap.port.onmessage = (event) => heard.push(event.data);
    jinglePage.output.connect(tap);
    tap.connect(new GainNode(context, { gain: 0 })).connect(context.destination);
    return context.sampleRate;
  })()`);
  // The frames heard, as 16-bit values (the float mix times 32768, rounded to even and clipped).
  const heard = async (fromQuantum = 0) => Int16Array.from(await page.evaluate(`(() => {
    const values = [];
    for (const [left, right] of heard.slice(${fromQuantum})) {
      for (let i = 0; i < left.length; ++i) values.push(left[i], right[i]);
    }
    return values.map((value) => {
      const x = value * 32768;
      let r = Math.round(x);
      if (Math.abs(x - Math.trunc(x)) === 0.5 && r % 2 !== 0) r -= 1;
      return Math.max(-32768, Math.min(32767, r));
    });
  })()`));
  const quanta = () => page.evaluate('heard.length');

  const { root } = await page.send('DOM.getDocument');
  const { nodeId } = await page.send('DOM.querySelector', { nodeId: root.nodeId, selector: '#file' });
  await page.send('DOM.setFileInputFiles', { nodeId, files: [module] });
  // A second of it with the page's own thread busy: the worklet plays on without a gap.
  await sleep(1000);
  await page.evaluate('(() => { const start = performance.now(); while (performance.now() - start < 1000); })()');
  await sleep(1000);
  writeFileSync(join(artifacts, 'page-web.png'), await page.screenshot({ x: 0, y: 0, width: 1024, height: 768 }));
  const played = await heard();
  const reference = new Int16Array(new Uint8Array(spawnSync(native,
    ['render', '--raw', '-q', '--rate', String(rate), '--seconds', '10', '-o', '-', module],
    { maxBuffer: 1 << 28 }).stdout).buffer);
  const firstSound = (values) => values.findIndex((value) => value !== 0) & ~1;
  const start = firstSound(played);
  const offset = firstSound(reference);
  const compared = Math.min(played.length - start, reference.length - offset);
  let same = start >= 0 && compared >= 2 * rate;
  for (let i = 0; same && i < compared; ++i) same = played[start + i] === reference[offset + i];
  check(`the chosen module plays: ${(compared / 2 / rate).toFixed(2)} s heard at ${rate} Hz, a busy second included, equal the native render`, same);
  const shown = await page.evaluate(`[document.getElementById('title').textContent, document.getElementById('where').textContent]`);
  const info = JSON.parse(spawnSync(native, ['info', '--json', module]).stdout);
  check(`the page shows its title ("${shown[0]}") and where it plays (${shown[1]})`,
        shown[0] === (info.title || '(untitled)') && /order \d+, pattern \d+, row \d+/.test(shown[1]));
  await page.evaluate(`document.getElementById('play').click()`);

  // The About box, opened by the first click on the panel, which also starts the tune.
  await page.click(panel.x + 41, panel.y + 201);
  await sleep(1000);
  const about = await box('about-box');
  const aboutShot = await page.screenshot(about);
  matchesLinux('about-box', aboutShot, [[1, 25, 305, 201], [280, 5, 292, 18]]);
  // Its animation area is a frame of app/'s scroller for the seed, outside the credits' lines.
  const app = (await WebAssembly.instantiate(readFileSync(join(pageDir, 'app.wasm')))).instance.exports;
  app._initialize();
  app.app_about_open(SEED);
  const shot = rgb(aboutShot);
  const scratch = app.app_scratch();
  let frame = 0;
  for (let k = 1; k <= 400 && frame === 0; ++k) {
    const pixels = new Uint8Array(app.memory.buffer, app.app_about_frame(), 394 * 190 * 4);
    const textRows = new Set();
    for (let line = 0; line < app.app_about_line_count(); ++line) {
      app.app_about_line(line, scratch);
      const top = new Int32Array(app.memory.buffer, scratch, 3)[2];
      for (let y = top - 4; y < top + 24; ++y) textRows.add(y);
    }
    let same = true;
    for (let y = 0; same && y < 177; ++y) {
      if (textRows.has(y)) continue;
      for (let x = 0; same && x < 305; ++x) {
        const at = 3 * ((y + 25) * 306 + x + 1);
        const i = 4 * (y * 394 + x);
        same = shot[at] === pixels[i] && shot[at + 1] === pixels[i + 1] && shot[at + 2] === pixels[i + 2];
      }
    }
    if (same) frame = k;
  }
  check(`the About box shows frame ${frame} of app/'s noise for seed ${SEED}`, frame > 0);
  await page.click(about.x + 286, about.y + 12);
  await sleep(500);
  check('the X closes the About box', await page.evaluate(`document.getElementById('about').hidden`));

  const beforeExit = await quanta();
  await sleep(500);
  const tune = await heard(beforeExit);
  check('the first click started the tune', tune.some((value) => value !== 0));
  await page.click(panel.x + 269, panel.y + 203);
  await sleep(300);
  const afterExit = await quanta();
  await sleep(1000);
  const silence = await heard(afterExit);
  check(`Exit stops the tune (${silence.length / 2} frames of silence after it)`,
        silence.length > rate / 2 && silence.every((value) => value === 0));
  const opacity = Number(await page.evaluate(`getComputedStyle(document.getElementById('panel')).opacity`));
  await sleep(1000);
  check(`the panel fades out (opacity ${opacity.toFixed(2)} 1.3 s after Exit, then hidden)`,
        opacity > 0 && opacity < 0.6 && await page.evaluate(`document.getElementById('panel').hidden`));
  check(`no errors on the page ${JSON.stringify(page.errors)}`, page.errors.length === 0);
} finally {
  server.kill();
  await page?.close();
}
console.log(failures === 0 ? 'page: all checks passed' : `page: ${failures} checks failed`);
process.exit(failures === 0 ? 0 : 1);
