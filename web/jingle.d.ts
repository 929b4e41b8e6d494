// Types of jingle.mjs: the module player in WebAssembly.

/** Where to find jingle.wasm; without either, beside jingle.mjs. */
export interface LoadOptions {
  /** The compiled jingle.wasm: what an AudioWorklet, which cannot fetch, is given. */
  module?: WebAssembly.Module;
  /** jingle.wasm's bytes, or its URL. */
  wasm?: BufferSource | URL | string;
}

/** Where a player stands: at the next frame it renders. */
export interface Position {
  order: number;
  pattern: number;
  row: number;
  /** Frames from the song's start at the player's rate. */
  frame: number;
}

export interface Player {
  /**
   * Renders interleaved stereo frames (left, right) into frames, which holds twice as many
   * values as frames asked for. Returns the frames written: fewer once the song has ended, 0
   * after it. The 16-bit frames are those of `jingle render --raw`; the float ones are the same
   * mix before the clip, 1.0 being full scale.
   */
  renderS16(frames: Int16Array): number;
  renderF32(frames: Float32Array): number;
  /** Moves to frame (from the song's start): what follows is what an uninterrupted render gives. */
  seek(frame: number): void;
  position(): Position;
  /** Mutes channel (0 .. channels - 1), or sounds it again, from its next volume update. */
  mute(channel: number, on: boolean): void;
  /** Master gain in decibels, -60 .. +24, six to a doubling; 0 (the default) leaves the frames
   * unchanged. */
  setGain(decibels: number): void;
  /** Stereo width in percent: 0 mono, 100 the module's own panning (the default), up to 200. */
  setStereo(percent: number): void;
  /** How samples are read between their values; linear is the default. */
  setInterpolation(name: 'linear' | 'nearest' | 'sinc'): void;
  /** 1 (the default): stop at the natural end; N: after N times round; 0: never. */
  setRounds(rounds: number): void;
  free(): void;
}

export interface Module {
  readonly title: string;
  readonly tracker: string;
  /** "XM", "MOD", "S3M" or "IT". */
  readonly format: string;
  readonly channels: number;
  /** From the start to the natural end. */
  readonly durationSeconds: number;
  /** The instruments' names, as stored. */
  readonly instruments: readonly string[];
  /** A player at rate frames a second (8,000 .. 192,000), at the song's start. */
  createPlayer(rate: number): Player;
  /** Players made from the module play on. */
  free(): void;
}

export interface Jingle {
  /** The library's version, "MAJOR.MINOR.PATCH". */
  readonly version: string;
  /**
   * Loads a module from a file's bytes (copied). Throws an Error whose message is the reason it
   * cannot be played, as the `jingle` tool gives it.
   */
  loadModule(bytes: Uint8Array | ArrayBuffer): Module;
}

export function loadJingle(options?: LoadOptions): Promise<Jingle>;

/** The rounds value of a song that never ends. */
export const ENDLESS: 0;
