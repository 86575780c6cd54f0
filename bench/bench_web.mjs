// bench_web.mjs -- the browser's half of bench_web.sh: runs the page on both of
// Chromium's software WebGL backends, SwiftShader (headless) and ANGLE on Mesa
// GL (llvmpipe, on the benchmark's display), and prints for each: the WebGL
// calls and draws a frame, where the CPU goes, the time a frame at a fixed
// load, and the terrain and last frame against the capture that bench_web.sh
// left in WORK/video; on llvmpipe the time a frame beside BENCH_WEBGL_MESA's
// (Mesa's GL 1.1, the same frames), on SwiftShader the frame rate on a slow
// fixed clock and the bytes the page downloads.
//   node bench/bench_web.mjs SITE WORK BENCH_WEBGL_MESA
import { execFileSync } from 'node:child_process';
import { readFileSync, readdirSync, statSync } from 'node:fs';
import { availableParallelism, loadavg } from 'node:os';
import { gzipSync } from 'node:zlib';
import { openSite, renderer } from '../tools/headless_site.mjs';

const [site, work, webglMesa] = process.argv.slice(2);
const WIDTH = 800, HEIGHT = 600;
const began = Date.now();
const loadAverage = () => loadavg().map((l) => l.toFixed(1)).join(' ');
const int = (n) => Math.round(n).toLocaleString('en');

// In the page, before its own scripts: stamps each frame it presents (the
// page's requestAnimationFrame), keeps the terrain that the synthesis reads
// back before the first frame (as build/ostra-video's read-back is kept: red
// bytes of the 256 x 256 pixels from (256, 256), row z = 0 first), and with
// `count` counts the WebGL calls by name from that read-back on. Emscripten
// copies ANGLE_instanced_arrays' methods onto the context as functions that
// call the extension's, so only the extension's are counted.
function harness(count) {
  const bench = globalThis.ostraBench = { presents: [], calls: {}, terrain: new Uint8Array(256 * 256) };
  const raf = globalThis.requestAnimationFrame;
  globalThis.requestAnimationFrame = (wake) => (bench.presents.push(performance.now()), raf(wake));
  const wrap = (object, name, around) => {
    const real = object[name];
    object[name] = function(...args) { return around(real, this, args); };
  };
  const methods = (proto) => Object.getOwnPropertyNames(proto).filter((name) =>
    name !== 'constructor' && typeof Object.getOwnPropertyDescriptor(proto, name).value === 'function');
  const counted = (proto) => count && methods(proto).forEach((name) => wrap(proto, name, (real, self, args) => {
    bench.calls[name] = (bench.calls[name] || 0) + 1;
    return real.apply(self, args);
  }));
  const extensions = new Set();
  for (const proto of [WebGLRenderingContext.prototype, WebGL2RenderingContext.prototype]) {
    wrap(proto, 'readPixels', (real, gl, args) => {
      const result = real.apply(gl, args);
      const [x, y, w, h, format, type, pixels] = args;
      if (bench.presents.length || format !== gl.RGBA || type !== gl.UNSIGNED_BYTE || !ArrayBuffer.isView(pixels))
        return result;
      for (let py = Math.max(y, 256); py < Math.min(y + h, 512); py++)
        for (let px = Math.max(x, 256); px < Math.min(x + w, 512); px++)
          bench.terrain[(py - 256) * 256 + px - 256] = pixels[((py - y) * w + px - x) * 4];
      bench.calls = {};
      return result;
    });
    wrap(proto, 'getExtension', (real, gl, args) => {
      const extension = real.apply(gl, args);
      if (extension && !extensions.has(Object.getPrototypeOf(extension)))
        extensions.add(Object.getPrototypeOf(extension)), counted(Object.getPrototypeOf(extension));
      return extension;
    });
    counted(proto);
  }
}

const state = (page, wanted, timeout) => page.waitForFunction(
  (s) => [s, 'failed'].includes(document.body.dataset.state), { polling: 'mutation', timeout }, wanted)
  .then(() => page.evaluate(() => document.body.dataset.state))
  .then((got) => { if (got !== wanted) throw new Error(`the page failed before "${wanted}"`); });

// The CPU ticks of every thread of the browser with this profile, by
// "pid/tid": its process's role, its name, and whether it is the main thread.
function threads(profile) {
  const all = new Map();
  for (const pid of readdirSync('/proc').filter((name) => /^[0-9]+$/.test(name))) {
    try {
      const command = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      if (!command.includes(profile))
        continue;
      const role = command.includes('--type=gpu-process') ? 'gpu' : command.includes('--type=renderer') ? 'renderer' : 'rest';
      for (const tid of readdirSync(`/proc/${pid}/task`)) {
        const stat = readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8');
        const ticks = stat.slice(stat.lastIndexOf(')') + 2).split(' ').slice(11, 13).reduce((a, b) => a + +b, 0);
        all.set(`${pid}/${tid}`, { role, main: pid === tid, name: stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')')), ticks });
      }
    } catch {
      // a process or thread that ended meanwhile
    }
  }
  return all;
}

// CPU ms between two snapshots. The GPU process: its main thread; its
// rasterizer threads (SwiftShader's "Thread<n>", llvmpipe's "llvmpipe-<n>");
// the driver's threads that keep the process's name (SwiftShader's queue,
// which sets up and runs each draw); Chromium's others. The page's renderer
// (the busiest one): its main thread and its others (the sound's among them).
function cpu(before, after) {
  const ms = { gpuMain: 0, raster: 0, rasterThreads: 0, driver: 0, gpuRest: 0, pageMain: 0, pageRest: 0, rest: 0 };
  const renderers = new Map();
  for (const [id, t] of after) {
    const spent = 10 * (t.ticks - (before.get(id)?.ticks ?? 0)), pid = id.split('/')[0];
    if (t.role === 'gpu') {
      const raster = /^(Thread<[0-9]+>|llvmpipe-[0-9]+)$/.test(t.name);
      ms.rasterThreads += raster;
      ms[t.main ? 'gpuMain' : raster ? 'raster' : t.name === after.get(`${pid}/${pid}`)?.name ? 'driver' : 'gpuRest'] += spent;
    } else if (t.role === 'renderer') {
      const r = renderers.get(pid) || { main: 0, rest: 0 };
      r[t.main ? 'main' : 'rest'] += spent;
      renderers.set(pid, r);
    } else {
      ms.rest += spent;
    }
  }
  const page = [...renderers.values()].sort((a, b) => b.main - a.main)[0] || { main: 0, rest: 0 };
  ms.pageMain = page.main;
  ms.pageRest = page.rest;
  for (const r of renderers.values())
    ms.rest += r === page ? 0 : r.main + r.rest;
  return ms;
}

// One run of the page at OPTIONS in a fresh tab with the harness: what the
// harness saw, the CPU ms of the run (from "running" to "ended", and from its
// first presented frame, past the program's set-up, to "ended"), and the
// page, left open for the caller to close.
async function run(browser, options, count = false) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  await page.evaluateOnNewDocument(harness, count);
  await page.goto(browser.address + options);
  await state(page, 'running', 60000);
  const before = threads(browser.profile);
  // Polled on a timer: the page's own requestAnimationFrame is the harness's.
  await page.waitForFunction(() => ostraBench.presents.length > 0 || document.body.dataset.state !== 'running',
                             { polling: 5, timeout: 300000 });
  const first = threads(browser.profile);
  await state(page, 'ended', 300000);
  const end = threads(browser.profile), spent = cpu(before, end), framed = cpu(first, end);
  const seen = await page.evaluate(() => ({ ...ostraBench, terrain: Array.from(ostraBench.terrain) }));
  const p = seen.presents;
  return { page, spent, framed, ...seen, frames: p.length, ms: (p[p.length - 1] - p[0]) / (p.length - 1) };
}

// Two byte arrays: how many bytes are equal, the largest difference, the PSNR.
function compare(a, b) {
  let equal = 0, largest = 0, squares = 0;
  for (let i = 0; i < a.length; i++) {
    const d = Math.abs(a[i] - b[i]);
    equal += d === 0;
    largest = Math.max(largest, d);
    squares += d * d;
  }
  const mse = squares / a.length;
  return { equal, largest, psnr: mse ? 10 * Math.log10(255 * 255 / mse) : Infinity };
}

async function calls(browser) {
  const r = await run(browser, '?autostart&fps=60&until=4000', true);
  await r.page.close();
  const names = Object.entries(r.calls).sort((a, b) => b[1] - a[1]);
  const total = names.reduce((sum, [, n]) => sum + n, 0);
  const draws = names.filter(([name]) => /^draw(Arrays|Elements)/.test(name)).reduce((sum, [, n]) => sum + n, 0);
  console.log(`  calls at ?autostart&fps=60&until=4000, a frame over its ${r.frames} frames: ${int(total / r.frames)} WebGL calls` +
              ` (goal: at most 2,000), ${int(draws / r.frames)} draws (goal: at most 600)`);
  console.log('    ' + names.slice(0, 10).map(([name, n]) => `${name} ${int(n / r.frames)}`).join(', '));
}

// The CPU a frame and the page's time a frame (between its first and last
// presented frames) at the 60 Hz load of the first 3 s.
async function fixedLoad(browser) {
  const r = await run(browser, '?autostart&fps=60&until=3000');
  await r.page.close();
  const a = (ms) => (ms / r.frames).toFixed(1), s = r.spent;
  console.log(`  CPU ms a frame at ?autostart&fps=60&until=3000 (${r.frames} frames):\n` +
              `    GPU process: main thread ${a(s.gpuMain)}, the driver's unnamed threads ${a(s.driver)},` +
              ` ${s.rasterThreads} rasterizer threads ${a(s.raster)}, Chromium's others ${a(s.gpuRest)}\n` +
              `    the page's renderer: main thread ${a(s.pageMain)} (goal: at most 4), others ${a(s.pageRest)};` +
              ` the rest of the browser ${a(s.rest)}\n` +
              `    from the first frame on, the set-up left out (${r.frames - 1} frames): GPU process main thread` +
              ` ${(r.framed.gpuMain / (r.frames - 1)).toFixed(1)}, the page's main thread` +
              ` ${(r.framed.pageMain / (r.frames - 1)).toFixed(1)}`);
  console.log(`  the page's time a frame there: ${r.ms.toFixed(1)} ms (presented frame to frame)`);
  return { ms: r.ms, perFrame: (name) => s[name] / r.frames };
}

// The terrain's read-back and the last frame at ?fps=10&until=2000 against
// build/ostra-video --fps 10 --until 2000's.
async function fidelity(browser, name) {
  const r = await run(browser, '?autostart&fps=10&until=2000');
  await (await r.page.$('#canvas')).screenshot({ path: `${work}/${name}_last.png` });
  await r.page.close();
  const web = execFileSync('ffmpeg', ['-v', 'error', '-i', `${work}/${name}_last.png`, '-f', 'rawvideo',
                                      '-pix_fmt', 'rgb24', '-'], { maxBuffer: 1 << 24 });
  const native = readFileSync(`${work}/video/last.rgb`); // bottom row first
  const last = Buffer.alloc(native.length);
  for (let y = 0; y < HEIGHT; y++)
    native.copy(last, y * WIDTH * 3, (HEIGHT - 1 - y) * WIDTH * 3, (HEIGHT - y) * WIDTH * 3);
  const t = compare(r.terrain, readFileSync(`${work}/video/terrain`)), f = compare(web, last);
  console.log(`  fidelity at ?autostart&fps=10&until=2000 against build/ostra-video --fps 10 --until 2000:` +
              ` terrain ${t.equal} of 65536 cells equal, largest difference ${t.largest};` +
              ` the 2 s frame PSNR ${f.psnr.toFixed(1)} dB, ${(100 * f.equal / web.length).toFixed(2)} % of bytes equal,` +
              ` largest difference ${f.largest}`);
}

// The server names every file it serves, the synthesizer's worklet scripts too.
const served = new Set();
const sites = [];
const open = async (backend, onLine) => {
  const s = await openSite(site, work, { backend, onLine });
  sites.push(s);
  const page = (await s.browser.pages())[0] || await s.browser.newPage();
  Object.assign(s.browser, { address: s.address, profile: `${work}/profile-${backend}`, renderer: await renderer(page) });
  return s.browser;
};
console.log(`bench_web: ${availableParallelism()} cores, load average ${loadAverage()} at the start`);
try {
  const swiftshader = await open('swiftshader', (line) => {
    const got = line.match(/^GET (\S+) 200$/);
    if (got)
      served.add(new URL(got[1], 'http://host').pathname);
  });
  console.log(`SwiftShader, headless: ${swiftshader.renderer}`);
  await calls(swiftshader);
  const at60 = await fixedLoad(swiftshader);
  console.log(`  the per-call work: the GPU process's main thread and the driver's queue,` +
              ` ${(at60.perFrame('gpuMain') + at60.perFrame('driver')).toFixed(1)} ms a frame (goal: at most 20)`);
  const slow = await run(swiftshader, '?autostart&fps=10');
  await slow.page.close();
  console.log(`  fixed clock ?autostart&fps=10, the whole run: ${slow.frames} frames at ${(1000 / slow.ms).toFixed(2)} frames/s` +
              ' (goal: no slower)');
  served.clear();
  await fidelity(swiftshader, 'swiftshader');
  let whole = 0, zipped = 0;
  console.log('  weight, the files the page downloads (bytes, whole and gzipped -9):');
  for (const path of [...served].sort()) {
    const file = `${site}/${path === '/' ? 'index.html' : path.slice(1)}`;
    const size = statSync(file).size, gz = gzipSync(readFileSync(file), { level: 9 }).length;
    whole += size;
    zipped += gz;
    console.log(`    ${path.padEnd(34)} ${String(size).padStart(9)} ${String(gz).padStart(9)}`);
  }
  console.log(`    ${'all'.padEnd(34)} ${String(whole).padStart(9)} ${String(zipped).padStart(9)}` +
              ` (${(whole / 1e6).toFixed(2)} MB, ${(zipped / 1e6).toFixed(2)} MB gzipped; goal: at most 6 MB)`);
  await sites.pop().close();

  const gl = await open('gl');
  console.log(`ANGLE on Mesa GL, on the display ${process.env.DISPLAY}: ${gl.renderer}`);
  await calls(gl);
  const native = execFileSync(webglMesa, { encoding: 'utf8' });
  const page = (await fixedLoad(gl)).ms;
  const mesa = Number(native.match(/the 3 s: mean ([0-9.]+) ms/)[1]);
  console.log(`  the same 3 s in ${webglMesa} (Mesa GL 1.1, llvmpipe, the window's swap not timed):\n` +
              native.trimEnd().replace(/^/gm, '    '));
  console.log(`  the page against Mesa GL 1.1: ${page.toFixed(1)} against ${mesa.toFixed(1)} ms a frame,` +
              ` ${(mesa / page).toFixed(2)}x faster (goal: at least 1.3x)`);
  await fidelity(gl, 'gl');
  console.log(`  (goals on llvmpipe: at least 65530 cells equal, PSNR at least 40 dB)`);
} finally {
  await Promise.allSettled(sites.map((s) => s.close()));
}
console.log(`bench_web: ${((Date.now() - began) / 1000).toFixed(0)} s, load average ${loadAverage()} at the end`);
