// The page: a module player (a file chosen or dropped plays through an AudioWorklet that runs
// jingle at the audio context's rate) and the application's panel, which plays its own tune.
// What the page holds is also on window.jinglePage: the audio context (made by audio()), the node
// every sound goes through, the two players' nodes and the application's shell.
import { startApp } from './shell.mjs';

const $ = (id) => document.getElementById(id);
const page = { context: null, output: null, song: null, tune: null, app: null, audio };
window.jinglePage = page;

let compiled = null;
let song = null; // what the worklet said the module holds, and where it stands

// The audio graph, made at the first gesture (browsers start no sound without one).
async function audio() {
  if (page.context !== null) return page.context;
  const context = new AudioContext();
  page.context = context;
  compiled ??= WebAssembly.compileStreaming(fetch('jingle.wasm'));
  await context.audioWorklet.addModule('player-worklet.mjs');
  page.output = new GainNode(context);
  page.output.connect(context.destination);
  const wasm = await compiled;
  const node = () => new AudioWorkletNode(context, 'jingle-player', {
    numberOfInputs: 0, outputChannelCount: [2], processorOptions: { wasm },
  });
  page.song = node();
  page.tune = node();
  page.song.connect(page.output);
  page.tune.connect(page.output);
  page.song.port.onmessage = (event) => heard(event.data);
  await context.resume();
  return context;
}

function clock(seconds) {
  const whole = Math.floor(seconds);
  return `${Math.floor(whole / 60)}:${String(whole % 60).padStart(2, '0')}`;
}

function showPosition(position) {
  if (song === null) return;
  const seconds = position.frame / song.rate;
  $('time').textContent = `${clock(seconds)} / ${clock(song.durationSeconds)}`;
  $('where').textContent =
    `order ${position.order}, pattern ${position.pattern}, row ${position.row}`;
  if (!seeking) $('seek').value = String(seconds);
  $('play').textContent = position.playing ? 'Pause' : 'Play';
  song.playing = position.playing;
}

// What the worklet's player says.
function heard(message) {
  switch (message.type) {
    case 'error':
      $('error').textContent = message.message;
      $('error').hidden = false;
      break;
    case 'loaded': {
      song = { ...message, playing: true };
      $('error').hidden = true;
      $('song').hidden = false;
      $('title').textContent = message.title || '(untitled)';
      $('tracker').textContent = `${message.format}, ${message.tracker}, ${message.channels} channels`;
      $('seek').max = String(message.durationSeconds);
      const channels = $('channels');
      channels.replaceChildren(channels.firstElementChild);
      for (let channel = 0; channel < message.channels; ++channel) {
        const label = document.createElement('label');
        const box = Object.assign(document.createElement('input'), { type: 'checkbox', checked: true });
        box.addEventListener('change', () => {
          page.song.port.postMessage({ type: 'mute', channel, on: !box.checked });
        });
        label.append(box, ` ${channel + 1}`);
        channels.append(label);
      }
      $('instruments').replaceChildren(...message.instruments.map((name) => {
        const item = document.createElement('li');
        item.textContent = name;
        return item;
      }));
      showPosition({ order: 0, pattern: 0, row: 0, frame: 0, playing: true });
      break;
    }
    case 'position':
      showPosition(message);
      break;
    case 'ended':
      $('play').textContent = 'Play';
      break;
  }
}

async function play(file) {
  const bytes = await file.arrayBuffer();
  await audio();
  page.song.port.postMessage({ type: 'load', bytes, play: true, loop: $('loop').checked }, [bytes]);
}

let seeking = false;
$('file').addEventListener('change', () => {
  if ($('file').files.length > 0) play($('file').files[0]);
});
const drop = $('drop');
drop.addEventListener('dragover', (event) => {
  event.preventDefault();
  drop.classList.add('over');
});
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (event) => {
  event.preventDefault();
  drop.classList.remove('over');
  if (event.dataTransfer.files.length > 0) play(event.dataTransfer.files[0]);
});
$('play').addEventListener('click', () => {
  if (song === null) return;
  // A song played to its end starts again from the beginning.
  if (!song.playing && Number($('seek').value) >= song.durationSeconds) {
    page.song.port.postMessage({ type: 'seek', frame: 0 });
  }
  page.song.port.postMessage({ type: 'play', on: !song.playing });
});
$('seek').addEventListener('input', () => { seeking = true; });
$('seek').addEventListener('change', () => {
  seeking = false;
  if (song !== null) {
    page.song.port.postMessage({ type: 'seek', frame: Math.round(Number($('seek').value) * song.rate) });
  }
});
$('loop').addEventListener('change', () => {
  page.song?.port.postMessage({ type: 'loop', on: $('loop').checked });
});

// The application: its tune starts with the first click on it, Exit stops it.
const seed = new URLSearchParams(location.search).get('seed');
let exited = false;
page.app = await startApp({
  panel: $('panel'), mainCanvas: $('main-window'), about: $('about'), aboutCanvas: $('about-box'),
  modal: $('modal'), appWasm: 'app.wasm', background: 'background.bmp', title: 'about_title.bmp',
  seed: seed === null ? undefined : Number(seed),
  onFirstClick: async () => {
    const bytes = await (await fetch('jingle.xm')).arrayBuffer();
    await audio();
    if (!exited) page.tune.port.postMessage({ type: 'load', bytes, play: true, loop: true }, [bytes]);
  },
  onExit: () => {
    exited = true;
    page.tune?.port.postMessage({ type: 'unload' });
  },
});
