// headless_site.mjs -- the built site served on a free port and a headless
// Chromium with software WebGL, for the page's browser test and benchmark.
// Both end with the caller, whatever happens: at close(), and on a signal.
//   const { address, browser, close } = await openSite(SITE, WORK, onLine);
// onLine gets each line the server prints ("GET /path 200" for every file).
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { createInterface } from 'node:readline';

const require = createRequire(new URL('../platform/web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');

export async function openSite(site, work, onLine = () => {}) {
  let server = null, browser = null;
  const close = async () => {
    if (browser)
      await browser.close().catch(() => browser.process()?.kill('SIGKILL'));
    server?.kill();
  };
  for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP'])
    process.on(signal, () => close().finally(() => process.exit(1)));
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
      executablePath: '/usr/bin/chromium', headless: true, userDataDir: `${work}/profile`,
      args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--no-first-run'],
    });
    return { address, browser, close };
  } catch (e) {
    await close();
    throw e;
  }
}
