// web.mjs -- drives the web page in Chromium for web.sh, which checks what it
// saw: writes "name=value" facts on standard output and the canvas's pictures
// as PNG into the work folder. On SwiftShader (headless) every case; on ANGLE
// over Mesa GL ("gl", on the display in $DISPLAY) one short run, the renderer
// and its last frame. Chromium and the server it starts end with it, whatever
// happens.
//   node web.mjs SITE WORK [swiftshader|gl]
import { readFileSync } from 'node:fs';
import { openSite, renderer } from '../../tools/headless_site.mjs';

const [site, work, backend = 'swiftshader'] = process.argv.slice(2);
const { address, browser, close } = await openSite(site, work, { backend });
const errors = [];
const fact = (name, value) => console.log(`${name}=${value}`);
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

async function open(options, before) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  page.on('pageerror', (e) => errors.push(`uncaught: ${e.message}`));
  page.on('console', (m) => m.type() === 'error' && errors.push(`${m.type()}: ${m.text()}`));
  if (before)
    await page.evaluateOnNewDocument(before);
  await page.goto(address + options);
  return page;
}

const state = (page, wanted, timeout) =>
  page.waitForFunction((s) => document.body.dataset.state === s, { timeout }, wanted)
    .then(() => true, () => false);
const frames = (page) => page.evaluate(() => ostra.frames());
const shot = async (page, name) =>
  (await page.$('#canvas')).screenshot({ path: `${work}/${name}.png` });

// ANGLE over Mesa GL: the renderer, and a short run on the stepped clock to its end.
async function shortRun() {
  const page = await open('?autostart&fps=10&until=1000');
  fact('renderer', await renderer(page));
  fact('short_ended', await state(page, 'ended', 60000) ? 1 : 0);
  fact('short_frames', await frames(page));
  await shot(page, 'short');
  await page.close();
}

async function everyCase() {
  // The gate; the run it starts, with its picture and sound; Escape; the
  // last frame left alone, and in fullscreen; the tune; and the same again.
  let page = await open('');
  fact('gate_ready', await state(page, 'ready', 60000) ? 1 : 0);
  fact('gate_shows', await page.evaluate(() =>
    !document.getElementById('gate').disabled && !!document.getElementById('gate').offsetWidth &&
    !document.getElementById('canvas')) ? 1 : 0);
  await page.click('#gate');
  fact('running', await state(page, 'running', 5000) ? 1 : 0);
  await page.waitForFunction(() => OstraSound.onset() >= 0, { timeout: 8000 }).catch(() => {});
  fact('onset_ms', Math.round(await page.evaluate(() => OstraSound.onset())));
  fact('caption', await page.evaluate(() => document.getElementById('caption').textContent));
  await sleep(1000);
  await shot(page, 'picture');
  const escaped = Date.now();
  await page.keyboard.press('Escape');
  fact('escape_ms', await state(page, 'ended', 10000) ? Date.now() - escaped : -1);
  const atEnd = await frames(page);
  await shot(page, 'end1');
  await sleep(600);
  await shot(page, 'end2');
  fact('frames_escape', atEnd);
  fact('frames_after', await frames(page) - atEnd);
  fact('end_kept', readFileSync(`${work}/end1.png`).equals(readFileSync(`${work}/end2.png`)) ? 1 : 0);
  fact('tune', await page.evaluate(() => {
    const t = ostra.tune();
    return `${t.length}:${String.fromCharCode(...t.subarray(0, 4))}`;
  }));
  fact('offers', await page.evaluate(() =>
    ['again', 'download'].filter((id) => !document.getElementById(id).hidden).join(',')));
  await page.click('#fullscreen');
  await page.waitForFunction(() => document.fullscreenElement, { timeout: 5000 }).catch(() => {});
  await page.screenshot({ path: `${work}/full.png` });
  await page.evaluate(() => document.exitFullscreen()).catch(() => {});
  await page.click('#again');
  await page.waitForFunction(() => ostra.frames() >= 3, { timeout: 20000 }).catch(() => {});
  await page.keyboard.press('Escape');
  fact('again_ended', await state(page, 'ended', 10000) ? 1 : 0);
  await shot(page, 'again');
  await page.close();

  // The program's own end after 30 s of run time: frames at 0, 1000, ...,
  // 31000 ms; the end that ?until asks for: 0, 100, ..., 500 ms; and on the
  // real clock, with options out of range left alone.
  for (const [name, options] of [['own_end', '?autostart&fps=1'], ['until', '?autostart&fps=10&until=500'],
                                 ['real_until', '?autostart&fps=0&until=1000&fps=x']]) {
    page = await open(options);
    fact(`${name}_ended`, await state(page, 'ended', 60000) ? 1 : 0);
    fact(`${name}_frames`, await frames(page));
    await page.close();
  }

  // A browser without WebGL: the program's own failure box, in the page.
  page = await open('?autostart', () => {
    const get = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function(kind, ...rest) {
      return /webgl/.test(kind) ? null : get.call(this, kind, ...rest);
    };
  });
  fact('no_webgl_failed', await state(page, 'failed', 30000) ? 1 : 0);
  fact('no_webgl_box', await page.evaluate(() =>
    document.getElementById('box').hidden ? '' :
      `${document.getElementById('box-caption').textContent}|${document.getElementById('box-text').textContent}`));
  await page.click('#box-ok');
  await sleep(300);
  fact('no_webgl_after', await page.evaluate(() => document.body.dataset.state));
  await page.close();
}

try {
  await (backend === 'gl' ? shortRun() : everyCase());
} catch (e) {
  errors.push(`driver: ${e.message}`);
} finally {
  await close();
}
for (const e of errors)
  console.error(e);
fact('errors', errors.length);
