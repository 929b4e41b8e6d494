// How fast jingle.mjs renders a module at 44,100 Hz, 16-bit, in Node and in headless Chromium
// (best of five renders from the start to the natural end, in 4,096-frame calls), as a multiple of
// real time.
//   node bench/web_speed.mjs PAGE_DIR MODULE
import { spawn } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { openPage } from '../tests/web/chromium.mjs';

const [pageDir, module] = process.argv.slice(2).map((arg) => resolve(arg));

// Runs in Node and, as its source text, in the page.
async function speed(jingle, bytes) {
  const song = jingle.loadModule(bytes);
  const frames = new Int16Array(2 * 4096);
  let best = Infinity;
  let total = 0;
  for (let round = 0; round < 5; ++round) {
    const player = song.createPlayer(44100);
    const start = performance.now();
    total = 0;
    for (let n; (n = player.renderS16(frames)) > 0;) total += n;
    best = Math.min(best, performance.now() - start);
    player.free();
  }
  song.free();
  return { seconds: total / 44100, ms: best };
}

const report = (where, { seconds, ms }) =>
  console.log(`${where}: ${seconds.toFixed(1)} s of audio in ${ms.toFixed(0)} ms, ` +
              `${Math.round((seconds * 1000) / ms)}x real time`);

const { loadJingle } = await import(pathToFileURL(join(pageDir, 'jingle.mjs')));
const bytes = readFileSync(module);
report('node', await speed(await loadJingle(), bytes));

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
  page = await openPage(`http://127.0.0.1:${port}/jingle.mjs`);
  report('chromium', await page.evaluate(`(async () => {
    const { loadJingle } = await import('./jingle.mjs');
    const bytes = Uint8Array.from(atob('${bytes.toString('base64')}'), (c) => c.charCodeAt(0));
    return (${speed.toString()})(await loadJingle(), bytes);
  })()`));
} finally {
  server.kill();
  await page?.close();
}
