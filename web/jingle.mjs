// jingle for JavaScript: the module player compiled to WebAssembly (jingle.wasm, beside this
// file), for browsers, workers, AudioWorklets and Node.
//
//   const jingle = await loadJingle();
//   const module = jingle.loadModule(bytes);        // throws Error(reason) for a bad file
//   const player = module.createPlayer(48000);
//   const written = player.renderF32(frames);       // interleaved stereo
//
// Everything here calls the library's C interface (include/jingle/jingle.h) in the WebAssembly
// instance; the structures it fills are read where the instance says their fields lie.

const OK = 0;
const ENDLESS = 0;
const DURATION_RATE = 44100;
const SCRATCH_BYTES = 128;

function isNode() {
  return typeof process === 'object' && typeof process.versions?.node === 'string';
}

// The compiled module, or its bytes, from where options say or from jingle.wasm beside this file.
async function instantiate(options, imports) {
  const source = options.module ?? options.wasm;
  if (source instanceof WebAssembly.Module) return WebAssembly.instantiate(source, imports);
  if (source !== undefined && !(source instanceof URL) && typeof source !== 'string') {
    return (await WebAssembly.instantiate(source, imports)).instance;
  }
  const url = new URL(source ?? './jingle.wasm', import.meta.url);
  if (isNode() && url.protocol === 'file:') {
    const { readFile } = await import('node:fs/promises');
    return (await WebAssembly.instantiate(await readFile(url), imports)).instance;
  }
  if (typeof fetch !== 'function') {
    throw new Error('jingle: no fetch here (an AudioWorklet?): pass { module } to loadJingle');
  }
  const response = fetch(url);
  if (typeof WebAssembly.instantiateStreaming === 'function') {
    try {
      return (await WebAssembly.instantiateStreaming(response, imports)).instance;
    } catch (error) {
      // A server that does not send application/wasm: compile from the bytes instead.
      if (!(error instanceof TypeError)) throw error;
    }
  }
  const bytes = await (await fetch(url)).arrayBuffer();
  return (await WebAssembly.instantiate(bytes, imports)).instance;
}

class Memory {
  constructor(exports) {
    this.exports = exports;
    this.scratch = exports.malloc(SCRATCH_BYTES);
    // Sizes and offsets of jingle_module_info's and jingle_position's fields (struct_layout.cpp).
    const [infoSize, format, title, tracker, channels, instruments, positionSize, frame, order,
      pattern, row] = new Int32Array(this.buffer, exports.jingle_web_layout(), 11);
    this.info = { size: infoSize, format, title, tracker, channels, instruments };
    this.position = { size: positionSize, frame, order, pattern, row };
  }
  get buffer() {
    return this.exports.memory.buffer;
  }
  view() {
    return new DataView(this.buffer);
  }
  int32(address) {
    return this.view().getInt32(address, true);
  }
  // A NUL-terminated string of Latin-1 bytes ("" for null).
  text(address) {
    if (address === 0) return '';
    const bytes = new Uint8Array(this.buffer);
    let end = address;
    while (bytes[end] !== 0) ++end;
    let text = '';
    for (let at = address; at < end; at += 4096) {
      text += String.fromCharCode(...bytes.subarray(at, Math.min(end, at + 4096)));
    }
    return text;
  }
  status(status) {
    return this.text(this.exports.jingle_status_text(status));
  }
}

class Player {
  #memory;
  #exports;
  #handle;
  #buffer = 0;
  #bufferBytes = 0;

  constructor(memory, handle) {
    this.#memory = memory;
    this.#exports = memory.exports;
    this.#handle = handle;
  }

  #check(status) {
    if (status !== OK) throw new Error(this.#memory.status(status));
  }

  // Room for count values of bytes each in the instance's memory, kept for the next calls.
  #room(bytes) {
    if (this.#handle === 0) throw new Error('jingle: the player has been freed');
    if (bytes > this.#bufferBytes) {
      this.#exports.free(this.#buffer);
      this.#buffer = this.#exports.malloc(bytes);
      if (this.#buffer === 0) {
        this.#bufferBytes = 0;
        throw new Error('jingle: memory could not be had');
      }
      this.#bufferBytes = bytes;
    }
    return this.#buffer;
  }

  #render(render, Array, frames) {
    const count = Math.floor(frames.length / 2);
    const buffer = this.#room(count * 2 * Array.BYTES_PER_ELEMENT);
    const written = render(this.#handle, buffer, count) >>> 0;
    frames.set(new Array(this.#memory.buffer, buffer, written * 2));
    return written;
  }

  // Interleaved stereo frames into frames (an Int16Array or a Float32Array of twice as many
  // values): the number written, fewer than asked once the song has ended, 0 after it.
  renderS16(frames) {
    return this.#render(this.#exports.jingle_player_render_s16, Int16Array, frames);
  }

  renderF32(frames) {
    return this.#render(this.#exports.jingle_player_render_f32, Float32Array, frames);
  }

  // Moves to frame (from the song's start at the player's rate): what follows is what an
  // uninterrupted render gives from there.
  seek(frame) {
    this.#check(this.#exports.jingle_player_seek_frame(this.#handle, BigInt(Math.round(frame))));
  }

  // Where the next frame to be rendered stands.
  position() {
    const memory = this.#memory;
    const fields = memory.position;
    this.#check(this.#exports.jingle_player_position(this.#handle, memory.scratch, fields.size));
    const view = memory.view();
    const at = memory.scratch;
    return {
      order: view.getInt32(at + fields.order, true),
      pattern: view.getInt32(at + fields.pattern, true),
      row: view.getInt32(at + fields.row, true),
      frame: Number(view.getBigInt64(at + fields.frame, true)),
    };
  }

  mute(channel, on) {
    this.#check(this.#exports.jingle_player_set_channel_mute(this.#handle, channel, on ? 1 : 0));
  }

  // Master gain in decibels (-60 .. +24), six to a doubling; 0 gives the frames unchanged.
  setGain(decibels) {
    this.#check(this.#exports.jingle_player_set_gain(this.#handle, decibels));
  }

  // Stereo width in percent: 0 mono, 100 the module's own panning (the default), up to 200.
  setStereo(percent) {
    this.#check(this.#exports.jingle_player_set_stereo(this.#handle, percent));
  }

  // 'linear' (the default), 'nearest' or 'sinc' (an 8-tap windowed-sinc filter).
  setInterpolation(name) {
    const index = ['linear', 'nearest', 'sinc'].indexOf(name);
    if (index < 0) throw new RangeError(`no interpolation '${name}' (linear, nearest or sinc)`);
    this.#check(this.#exports.jingle_player_set_interpolation(this.#handle, index));
  }

  // 1 (the default): the song stops at its natural end; N: after N times round; 0: never.
  setRounds(rounds) {
    this.#check(this.#exports.jingle_player_set_rounds(this.#handle, rounds));
  }

  free() {
    this.#exports.free(this.#buffer);
    this.#exports.jingle_player_free(this.#handle);
    this.#buffer = 0;
    this.#bufferBytes = 0;
    this.#handle = 0;
  }
}

class Module {
  #memory;
  #exports;
  #handle;

  constructor(memory, handle) {
    this.#memory = memory;
    this.#exports = memory.exports;
    this.#handle = handle;
    const fields = memory.info;
    const info = memory.exports.malloc(fields.size);
    try {
      const status = this.#exports.jingle_module_get_info(handle, info, fields.size);
      if (status !== OK) throw new Error(memory.status(status));
      const field = (offset) => memory.int32(info + offset);
      this.format = memory.text(field(fields.format));
      this.title = memory.text(field(fields.title));
      this.tracker = memory.text(field(fields.tracker));
      this.channels = field(fields.channels);
      this.instruments = [];
      for (let i = 0; i < field(fields.instruments); ++i) {
        this.instruments.push(memory.text(this.#exports.jingle_module_instrument_name(handle, i)));
      }
      const frames = memory.scratch;
      const duration = this.#exports.jingle_module_duration(handle, DURATION_RATE, 1, frames, 0);
      if (duration !== OK) throw new Error(memory.status(duration));
      this.durationSeconds = Number(memory.view().getBigInt64(frames, true)) / DURATION_RATE;
    } finally {
      memory.exports.free(info);
    }
  }

  // A player of the module at rate frames a second (8,000 .. 192,000), at the song's start.
  createPlayer(rate) {
    const memory = this.#memory;
    const status = this.#exports.jingle_player_create(this.#handle, rate, memory.scratch);
    if (status !== OK) throw new Error(memory.status(status));
    return new Player(memory, memory.int32(memory.scratch));
  }

  // Players made from the module play on.
  free() {
    this.#exports.jingle_module_free(this.#handle);
    this.#handle = 0;
  }
}

class Jingle {
  #memory;

  constructor(instance) {
    const exports = instance.exports;
    exports._initialize();
    this.#memory = new Memory(exports);
    this.version = this.#memory.text(exports.jingle_version());
  }

  // A module from the bytes of a file (copied); throws an Error with the reason it cannot be
  // played, in the words of `jingle` itself.
  loadModule(bytes) {
    if (bytes instanceof ArrayBuffer) bytes = new Uint8Array(bytes);
    const memory = this.#memory;
    const exports = memory.exports;
    const data = exports.malloc(Math.max(1, bytes.length));
    if (data === 0) throw new Error('jingle: memory could not be had');
    new Uint8Array(memory.buffer, data, bytes.length).set(bytes);
    const status = exports.jingle_module_load(data, bytes.length, memory.scratch);
    exports.free(data);
    if (status !== OK) throw new Error(memory.text(exports.jingle_load_reason()));
    return new Module(memory, memory.int32(memory.scratch));
  }
}

// Loads the player. options.module: a compiled WebAssembly.Module of jingle.wasm (what an
// AudioWorklet, which cannot fetch, is given); options.wasm: its bytes or its URL. Without
// either, jingle.wasm beside this file.
export async function loadJingle(options = {}) {
  const imports = {
    env: {
      // The views are made afresh on every access: nothing to update.
      emscripten_notify_memory_growth() {},
    },
    wasi_snapshot_preview1: {
      proc_exit(code) {
        throw new Error(`jingle: the player stopped (${code})`);
      },
      // No environment: the player takes its defaults.
      environ_sizes_get(count, size) {
        const view = new DataView(instance.exports.memory.buffer);
        view.setUint32(count, 0, true);
        view.setUint32(size, 0, true);
        return 0;
      },
      environ_get() {
        return 0;
      },
    },
  };
  const instance = await instantiate(options, imports);
  return new Jingle(instance);
}

export { ENDLESS };
