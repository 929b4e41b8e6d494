// The player in the audio thread: each node of this processor plays one module at the audio
// context's rate, rendering every quantum with jingle itself, so nothing on the main thread (a
// busy tab) can make the sound skip. The main thread sends commands through the node's port and
// hears back what the module holds, where the song stands and when it has ended.
import { loadJingle } from './jingle.mjs';

// One instance of the player for every node in this audio context, from the compiled module the
// first node is given.
let jingle = null;

// Positions go to the main thread about every 20 ms.
const REPORT_QUANTA = Math.max(1, Math.round((0.02 * sampleRate) / 128));

class JinglePlayerProcessor extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.module = null;
    this.player = null;
    this.playing = false;
    this.frames = new Float32Array(2 * 128);
    this.quanta = 0;
    jingle ??= loadJingle({ module: options.processorOptions.wasm });
    this.port.onmessage = (event) => {
      jingle.then((loaded) => this.command(loaded, event.data));
    };
  }

  command(loaded, message) {
    switch (message.type) {
      case 'load':
        this.unload();
        try {
          this.module = loaded.loadModule(new Uint8Array(message.bytes));
        } catch (error) {
          this.port.postMessage({ type: 'error', message: error.message });
          return;
        }
        this.player = this.module.createPlayer(sampleRate);
        this.player.setRounds(message.loop ? 0 : 1);
        this.playing = message.play;
        this.port.postMessage({
          type: 'loaded', rate: sampleRate, title: this.module.title,
          tracker: this.module.tracker, format: this.module.format, channels: this.module.channels,
          durationSeconds: this.module.durationSeconds, instruments: this.module.instruments,
        });
        break;
      case 'play':
        this.playing = message.on && this.player !== null;
        break;
      case 'seek':
        this.player?.seek(message.frame);
        this.report();
        break;
      case 'loop':
        this.player?.setRounds(message.on ? 0 : 1);
        break;
      case 'mute':
        this.player?.mute(message.channel, message.on);
        break;
      case 'unload':
        this.unload();
        break;
    }
  }

  unload() {
    this.player?.free();
    this.module?.free();
    this.player = null;
    this.module = null;
    this.playing = false;
  }

  report() {
    const { order, pattern, row, frame } = this.player.position();
    this.port.postMessage({ type: 'position', order, pattern, row, frame, playing: this.playing });
  }

  process(inputs, outputs) {
    const [left, right] = outputs[0];
    if (!this.playing) return true;
    const count = left.length;
    if (this.frames.length < 2 * count) this.frames = new Float32Array(2 * count);
    const written = this.player.renderF32(this.frames.subarray(0, 2 * count));
    for (let i = 0; i < written; ++i) {
      left[i] = this.frames[2 * i];
      right[i] = this.frames[2 * i + 1];
    }
    if (written < count) {
      this.playing = false;
      this.report();
      this.port.postMessage({ type: 'ended' });
    } else if (++this.quanta % REPORT_QUANTA === 0) {
      this.report();
    }
    return true;
  }
}

registerProcessor('jingle-player', JinglePlayerProcessor);
