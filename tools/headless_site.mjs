// headless_site.mjs -- the built site served on a free port and a Chromium on
// one of its two software WebGL backends, for the page's browser test and
// benchmark: SwiftShader, headless; or ANGLE on the machine's Mesa GL
// (llvmpipe), in a window on the X display in $DISPLAY (Xvfb).
// Both end with the caller, whatever happens: at close(), and on a signal.
//   const { address, browser, close } = await openSite(SITE, WORK, { backend, args, onLine });
// backend: 'swiftshader' (the default) or 'gl'; args: more Chromium options;
// onLine gets each line the server prints ("GET /path 200" for every file).
// The browser's profile is WORK/profile-BACKEND, which names its processes.
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { createInterface } from 'node:readline';

const require = createRequire(new URL('../platform/web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');

export const BACKENDS = {
  swiftshader: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  gl: ['--use-angle=gl', '--ignore-gpu-blocklist'],
};

// Every open site ends on the first signal, before the process does.
const open = new Set();
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP'])
  process.on(signal, () => Promise.allSettled([...open].map((close) => close())).finally(() => process.exit(1)));

export async function openSite(site, work, { backend = 'swiftshader', args = [], onLine = () => {} } = {}) {
  let server = null, browser = null;
  const close = async () => {
    open.delete(close);
    if (browser)
      await browser.close().catch(() => browser.process()?.kill('SIGKILL'));
    server?.kill();
  };
  open.add(close);
  try {
    server = spawn('node', [new URL('serve_site.mjs', import.meta.url).pathname, site, '0'],
                   { stdio: ['ignore', 'pipe', 'inherit'] });
    const address = await new Promise((found, failed) => {
      createInterface({ input: server.stdout }).on('line', (line) => {
        const url = line.match(/^serving .* on (http:\S+)/);
        if (url)
          found(url[1]);
        onLine(line);
      });
      server.on('exit', () => failed(new Error('the server did not start')));
    });
    browser = await puppeteer.launch({
      executablePath: '/usr/bin/chromium', headless: backend !== 'gl', userDataDir: `${work}/profile-${backend}`,
      args: ['--no-sandbox', ...BACKENDS[backend], '--disable-background-networking', '--disable-component-update',
             '--disable-sync', '--no-first-run', '--window-size=1024,800', ...args],
    });
    return { address, browser, close };
  } catch (e) {
    await close();
    throw e;
  }
}

// The renderer that WebGL reports in this page (WEBGL_debug_renderer_info).
export const renderer = (page) => page.evaluate(() => {
  const gl = document.createElement('canvas').getContext('webgl');
  const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
  return info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : 'unknown';
});
