// jingle.mjs in Node against the native tool: every corpus module renders to the bytes of
// `jingle render --raw` (or is refused with the tool's reason), seeks land on the very frame an
// uninterrupted render reaches, and damaged files are refused in the tool's words.
//   node tests/web/node_test.mjs JINGLE_MJS NATIVE_JINGLE CORPUS_DIR
import { spawnSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const [jingleMjs, native, corpus] = process.argv.slice(2);
const { loadJingle } = await import(pathToFileURL(jingleMjs));
const jingle = await loadJingle();
let failures = 0;
function check(what, ok) {
  if (!ok) failures += 1;
  console.log(`  ${ok ? 'ok' : 'FAILED'}: ${what}`);
}

// The tool's output for a file: its raw 16-bit frames, or the reason it gives for refusing it.
function nativeRender(path) {
  const run = spawnSync(native, ['render', '--raw', '-q', '-o', '-', path], { maxBuffer: 1 << 30 });
  if (run.status === 0) return { pcm: run.stdout };
  return { reason: run.stderr.toString().trim().replace(`jingle: ${path}: `, '') };
}

// The module's whole render through renderS16, in chunks of odd sizes.
function webRender(bytes, from = 0, frames = Infinity) {
  const player = jingle.loadModule(bytes).createPlayer(44100);
  if (from > 0) player.seek(from);
  const chunks = [];
  const buffer = new Int16Array(2 * 4999);
  for (let left = frames, n; left > 0 && (n = player.renderS16(buffer)) > 0; left -= n) {
    chunks.push(Buffer.from(new Uint8Array(buffer.buffer, 0, 4 * Math.min(n, left))));
  }
  player.free();
  return Buffer.concat(chunks);
}

function webReason(bytes) {
  try {
    jingle.loadModule(bytes).free();
    return null;
  } catch (error) {
    return error.message;
  }
}

const digest = (bytes) => createHash('sha256').update(bytes).digest('hex').slice(0, 16);

console.log(`jingle.mjs ${jingle.version}: corpus renders against ${native}`);
// The corpus and its folders one level down (mod/, s3m/, it/).
const modules = readdirSync(corpus, { withFileTypes: true })
  .flatMap((entry) => (entry.isDirectory()
    ? readdirSync(join(corpus, entry.name)).map((name) => join(entry.name, name)) : [entry.name]))
  .filter((name) => /\.(xm|mod|s3m|it)$/i.test(name)).sort();
for (const name of modules) {
  const path = join(corpus, name);
  const bytes = readFileSync(path);
  const expected = nativeRender(path);
  if (expected.pcm) {
    const got = webRender(bytes);
    check(`${name}: ${digest(got)} = ${digest(expected.pcm)}`, got.equals(expected.pcm));
  } else {
    const reason = webReason(bytes);
    check(`${name}: refused as by the tool (${reason})`, reason === expected.reason);
  }
}

// Seeks: the frames after each equal the uninterrupted render's from there, block edges (882
// frames at 44,100 Hz) and the song's last frames included.
const seekModule = join(corpus, modules.find((name) => name.endsWith('.xm')));
const whole = nativeRender(seekModule).pcm;
const last = whole.length / 4;
for (const frame of [1, 881, 882, 883, 12345, 44100 * 7 + 3, Math.floor(last / 2), last - 5]) {
  const got = webRender(readFileSync(seekModule), frame, 3000);
  const want = whole.subarray(4 * frame, 4 * Math.min(last, frame + 3000));
  check(`seek to frame ${frame} renders what follows it`, got.equals(want));
}

// Damaged files, made from a corpus module, refused (or played) as the tool does.
const work = mkdtempSync(join(tmpdir(), 'jingle-web-'));
try {
  const good = readFileSync(seekModule);
  const patched = (offset, value) => Buffer.from(good).fill(value, offset, offset + 1);
  const damaged = {
    'empty.xm': Buffer.alloc(0),
    'short.xm': good.subarray(0, 60),
    'zeros.xm': Buffer.alloc(200),
    'channels.xm': patched(68, 40),
    'cut.xm': good.subarray(0, 3000),
  };
  for (const [name, bytes] of Object.entries(damaged)) {
    const path = join(work, name);
    writeFileSync(path, bytes);
    const expected = nativeRender(path);
    if (expected.pcm) {
      check(`${name} plays as the tool plays it`, webRender(bytes).equals(expected.pcm));
    } else {
      const reason = webReason(bytes);
      check(`${name} is refused in the tool's words: "${reason}"`, reason === expected.reason);
    }
  }
} finally {
  rmSync(work, { recursive: true, force: true });
}

console.log(failures === 0 ? 'node: all checks passed' : `node: ${failures} checks failed`);
process.exit(failures === 0 ? 0 : 1);
