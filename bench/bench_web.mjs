// bench_web.mjs -- the browser's half of bench_web.sh: runs the page in
// headless Chromium and prints its figures beside the native ones that
// bench_web.sh left in WORK (native/: the live run's frame count and terrain;
// video/: the capture's terrain and last frame), and where the page's CPU
// time went in its live run.
//   node bench/bench_web.mjs SITE WORK
import { execFileSync } from 'node:child_process';
import { readFileSync, readdirSync, statSync, writeFileSync } from 'node:fs';
import { availableParallelism } from 'node:os';
import { gzipSync } from 'node:zlib';
import { openSite } from '../tools/headless_site.mjs';

const [site, work] = process.argv.slice(2);
const WIDTH = 800, HEIGHT = 600;

const ended = (page, timeout) => page.waitForFunction(
  () => ['ended', 'failed'].includes(document.body.dataset.state), { timeout });

// Shares of equal cells and the largest difference of two byte arrays.
function compare(a, b) {
  let equal = 0, largest = 0, squares = 0;
  for (let i = 0; i < a.length; i++) {
    const d = Math.abs(a[i] - b[i]);
    equal += d === 0;
    largest = Math.max(largest, d);
    squares += d * d;
  }
  const mse = squares / a.length;
  return { equal: equal / a.length, largest, psnr: mse ? 10 * Math.log10(255 * 255 / mse) : Infinity };
}

// CPU seconds of this browser's processes, by role: the GPU process, within
// it the software renderer's worker threads (SwiftShader's "Thread<n>"),
// the page's renderer, and the rest.
function cpuSeconds(profile) {
  const seconds = { gpu: 0, workers: 0, workerThreads: 0, renderer: 0, rest: 0 };
  const ticks = (stat) => stat.slice(stat.lastIndexOf(')') + 2).split(' ').slice(11, 13).reduce((a, b) => a + +b, 0) / 100;
  for (const pid of readdirSync('/proc').filter((name) => /^[0-9]+$/.test(name))) {
    try {
      const command = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      if (!command.includes(profile))
        continue;
      const role = command.includes('--type=gpu-process') ? 'gpu' : command.includes('--type=renderer') ? 'renderer' : 'rest';
      seconds[role] += ticks(readFileSync(`/proc/${pid}/stat`, 'utf8'));
      if (role === 'gpu')
        for (const tid of readdirSync(`/proc/${pid}/task`)) {
          const stat = readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8');
          if (/^[0-9]+ \(Thread<[0-9]+>\)/.test(stat))
            seconds.workers += ticks(stat), seconds.workerThreads++;
        }
    } catch {
      // a process that ended meanwhile
    }
  }
  return seconds;
}

// The server names every file it serves, the synthesizer's worklet scripts too.
const served = new Set();
const { address, browser, close } = await openSite(site, work, (line) => {
  const got = line.match(/^GET (\S+) 200$/);
  if (got)
    served.add(new URL(got[1], 'http://host').pathname);
});
try {
  // Speed: the whole live run, started at the gate as a visitor starts it.
  let page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.state === 'ready', { timeout: 60000 });
  const renderer = await page.evaluate(() => {
    const gl = document.createElement('canvas').getContext('webgl');
    const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
    return info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : 'unknown';
  });
  const before = cpuSeconds(`${work}/profile`);
  await page.click('#gate');
  const started = Date.now();
  await ended(page, 120000);
  const after = cpuSeconds(`${work}/profile`), spent = (role) => (after[role] - before[role]).toFixed(1);
  const webFrames = await page.evaluate(() => ostra.frames());
  const nativeFrames = Number(readFileSync(`${work}/native/frames`, 'utf8'));
  console.log(`30 s live run, frames drawn:`);
  console.log(`  native build/ostra (llvmpipe)     ${String(nativeFrames).padStart(6)}  ${(nativeFrames / 30).toFixed(1)} frames/s`);
  console.log(`  web page (${renderer})`.padEnd(36) + `${String(webFrames).padStart(6)}  ${(webFrames / 30).toFixed(1)} frames/s` +
              `, ${((Date.now() - started) / 1000).toFixed(1)} s from the gate`);
  console.log(`  web / native ${(webFrames / nativeFrames).toFixed(2)} (goal: at least 0.75)`);
  console.log(`  the page's CPU seconds, ${availableParallelism()} cores: GPU process ${spent('gpu')}` +
              ` (of it the software renderer's ${after.workerThreads} worker threads ${spent('workers')}),` +
              ` the page's renderer ${spent('renderer')}, the rest ${spent('rest')}`);
  await page.close();

  // Fidelity, and the bytes the page downloads on the way.
  page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  served.clear();
  await page.goto(`${address}?autostart&fps=10&until=2000`);
  await ended(page, 60000);
  const terrain = Uint8Array.from(await page.evaluate(() => Array.from(ostra.terrain())));
  await (await page.$('#canvas')).screenshot({ path: `${work}/web_last.png` });
  const web = execFileSync('ffmpeg', ['-v', 'error', '-i', `${work}/web_last.png`, '-f', 'rawvideo',
                                      '-pix_fmt', 'rgb24', '-'], { maxBuffer: 1 << 24 });
  const native = readFileSync(`${work}/video/last.rgb`); // bottom row first
  const last = Buffer.alloc(native.length);
  for (let y = 0; y < HEIGHT; y++)
    native.copy(last, y * WIDTH * 3, (HEIGHT - 1 - y) * WIDTH * 3, (HEIGHT - y) * WIDTH * 3);
  const live = readFileSync(`${work}/native/terrain`), capture = readFileSync(`${work}/video/terrain`);
  const t = compare(terrain, capture), f = compare(web, last);
  console.log(`fidelity at ?fps=10&until=2000, against build/ostra-video --fps 10 --until 2000:`);
  console.log(`  terrain read-back (65536 cells): ${(100 * t.equal).toFixed(1)} % equal, largest difference ${t.largest}` +
              ` (native live run and capture agree: ${compare(live, capture).equal === 1 ? 'yes' : 'no'})`);
  console.log(`  last frame: PSNR ${f.psnr.toFixed(1)} dB, ${(100 * f.equal).toFixed(1)} % of bytes equal, largest difference ${f.largest}`);
  writeFileSync(`${work}/web_terrain`, terrain);

  let whole = 0, zipped = 0;
  console.log('weight, the files the page downloads (bytes, whole and gzipped -9):');
  for (const path of [...served].sort()) {
    const file = `${site}/${path === '/' ? 'index.html' : path.slice(1)}`;
    const size = statSync(file).size, gz = gzipSync(readFileSync(file), { level: 9 }).length;
    whole += size;
    zipped += gz;
    console.log(`  ${path.padEnd(34)} ${String(size).padStart(9)} ${String(gz).padStart(9)}`);
  }
  console.log(`  ${'all'.padEnd(34)} ${String(whole).padStart(9)} ${String(zipped).padStart(9)}` +
              ` (${(whole / 1e6).toFixed(2)} MB, ${(zipped / 1e6).toFixed(2)} MB gzipped; goal: at most 6 MB)`);
} finally {
  await close();
}
