// Headless Chromium (Debian's) driven through the DevTools protocol on a pipe: no browser is
// downloaded and no library is needed. One page per browser, in a fresh profile that is removed
// again when the browser is closed.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export async function openPage(url, { width = 1024, height = 768 } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'jingle-chromium-'));
  const browser = spawn('chromium', [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--autoplay-policy=no-user-gesture-required', `--user-data-dir=${profile}`,
    '--remote-debugging-pipe', 'about:blank',
  ], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
  const [, , , toBrowser, fromBrowser] = browser.stdio;
  const pending = new Map();
  const listeners = [];
  let nextId = 1;
  let received = '';
  fromBrowser.on('data', (chunk) => {
    received += chunk;
    for (let end; (end = received.indexOf('\0')) >= 0; received = received.slice(end + 1)) {
      const message = JSON.parse(received.slice(0, end));
      const waiting = pending.get(message.id);
      if (waiting) {
        pending.delete(message.id);
        if (message.error) waiting.reject(new Error(`${waiting.method}: ${message.error.message}`));
        else waiting.resolve(message.result);
      } else if (message.method) {
        for (const listener of listeners) listener(message.method, message.params);
      }
    }
  });
  const call = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
    const id = nextId++;
    pending.set(id, { resolve, reject, method });
    toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  });

  const { targetId } = await call('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await call('Target.attachToTarget', { targetId, flatten: true });
  const send = (method, params) => call(method, params, sessionId);
  const errors = [];
  listeners.push((method, params) => {
    if (method === 'Runtime.exceptionThrown') errors.push(params.exceptionDetails.exception?.description);
    if (method === 'Runtime.consoleAPICalled' && params.type === 'error') {
      errors.push(params.args.map((arg) => arg.value ?? arg.description).join(' '));
    }
  });
  await send('Runtime.enable');
  await send('Page.enable');
  await send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });
  const loaded = new Promise((resolve) => listeners.push((method) => method === 'Page.loadEventFired' && resolve()));
  await send('Page.navigate', { url });
  await loaded;

  return {
    send,
    errors,
    // The value of an expression in the page (awaited when it is a promise).
    async evaluate(expression) {
      const { result, exceptionDetails } = await send('Runtime.evaluate', {
        expression, awaitPromise: true, returnByValue: true,
      });
      if (exceptionDetails) throw new Error(exceptionDetails.exception?.description ?? exceptionDetails.text);
      return result.value;
    },
    async click(x, y) {
      for (const type of ['mouseMoved', 'mousePressed', 'mouseReleased']) {
        await send('Input.dispatchMouseEvent', { type, x, y, button: 'left', clickCount: 1 });
      }
    },
    // A PNG of the page's pixels inside the rectangle.
    async screenshot({ x, y, width, height }) {
      const { data } = await send('Page.captureScreenshot', {
        format: 'png', clip: { x, y, width, height, scale: 1 },
      });
      return Buffer.from(data, 'base64');
    },
    // Closes the browser, which ends its other processes, then removes the profile.
    async close() {
      const exited = new Promise((resolve) => browser.once('exit', resolve));
      await call('Browser.close').catch(() => browser.kill());
      await exited;
      rmSync(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
    },
  };
}
