// bench_web_sound.mjs -- figures, not a test: how close the page's sound is to
// the Linux build's. The tune rendered by native FluidSynth from the whole
// FluidR3 and from the page's trimmed font, and by the page itself
// (web_sound.js in headless Chromium, into an OfflineAudioContext): the
// soundfont's sizes, whole against trimmed, the page against native as the
// correlation of their loudness envelopes (RMS per 10 ms) and their level
// ratio, and the first note's onset in each (the first bar is silent: 1333 ms).
//
//   node bench/bench_web_sound.mjs      (after npm ci in platform/web)
// Needs the fluidsynth program, Debian's chromium and fluid-soundfont-gm.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { trim, tuneBytes } from '../tools/trim_soundfont.mjs';

const root = fileURLToPath(new URL('..', import.meta.url));
const web = join(root, 'platform/web');
const puppeteer = createRequire(join(web, 'package.json'))('puppeteer-core');
const WHOLE = '/usr/share/sounds/sf2/FluidR3_GM.sf2';
const RATE = 44100, WINDOW = RATE / 100, SECONDS = 36;
const ONSET = 1e-3; // well above the dither of a 16-bit render

const dir = mkdtempSync(join(tmpdir(), 'ostra-bench-sound.'));
let browser = null;
process.on('exit', () => rmSync(dir, { recursive: true, force: true }));

// A 16-bit stereo WAV file as FluidSynth writes it, as mono floats.
function wavMono(path) {
  const b = readFileSync(path);
  let at = 12;
  while (b.toString('latin1', at, at + 4) !== 'data')
    at += 8 + b.readUInt32LE(at + 4);
  const n = Math.floor(b.readUInt32LE(at + 4) / 4), out = new Float32Array(n);
  for (let i = 0; i < n; i++)
    out[i] = (b.readInt16LE(at + 8 + 4 * i) + b.readInt16LE(at + 10 + 4 * i)) / 65536;
  return out;
}

function envelope(mono) {
  const out = [];
  for (let at = 0; at + WINDOW <= mono.length; at += WINDOW) {
    let sum = 0;
    for (let i = at; i < at + WINDOW; i++)
      sum += mono[i] * mono[i];
    out.push(Math.sqrt(sum / WINDOW));
  }
  return out;
}

function correlation(a, b) {
  const n = Math.min(a.length, b.length);
  let ma = 0, mb = 0, ab = 0, aa = 0, bb = 0;
  for (let i = 0; i < n; i++)
    ma += a[i] / n, mb += b[i] / n;
  for (let i = 0; i < n; i++)
    ab += (a[i] - ma) * (b[i] - mb), aa += (a[i] - ma) ** 2, bb += (b[i] - mb) ** 2;
  return ab / Math.sqrt(aa * bb);
}

function largestDifference(a, b) {
  let worst = 0;
  for (let i = 0; i < Math.max(a.length, b.length); i++)
    worst = Math.max(worst, Math.abs((a[i] || 0) - (b[i] || 0)));
  return worst;
}

const onsetMs = (mono) => (mono.findIndex((v) => Math.abs(v) > ONSET) / RATE) * 1000;
const mean = (a) => a.reduce((s, v) => s + v, 0) / a.length;

async function pageRender(tune, font) {
  const files = {
    'index.html': ['<!doctype html><script src="web_sound.js"></script>', 'text/html'],
    'favicon.ico': ['', 'text/html'],
    'web_sound.js': [join(web, 'web_sound.js')],
    'js-synthesizer.min.js': [join(web, 'node_modules/js-synthesizer/dist/js-synthesizer.min.js')],
    'js-synthesizer.worklet.min.js':
      [join(web, 'node_modules/js-synthesizer/dist/js-synthesizer.worklet.min.js')],
    'libfluidsynth-2.3.0.js': [join(web, 'node_modules/js-synthesizer/externals/libfluidsynth-2.3.0.js')],
    'ostra.sf2': [font, 'application/octet-stream'],
  };
  browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true, userDataDir: join(dir, 'profile'),
    args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--autoplay-policy=no-user-gesture-required'],
  });
  const page = await browser.newPage();
  page.on('console', (m) => console.log(`  page: ${m.text()}`));
  // Served from here, never from a network: localhost is a secure context,
  // which the audio worklet needs.
  await page.setRequestInterception(true);
  page.on('request', (r) => {
    const f = files[new URL(r.url()).pathname.slice(1)];
    if (!f)
      return r.respond({ status: 404, body: '' });
    const body = f[1] === 'text/html' ? f[0] : readFileSync(f[0]);
    r.respond({ status: 200, body, contentType: f[1] || 'text/javascript' });
  });
  await page.goto('http://localhost/index.html');
  const started = Date.now();
  const got = await page.evaluate(async (bytes, seconds) => {
    if (!(await OstraSound.load('./')))
      return null;
    const [l, r] = await OstraSound.render(Uint8Array.from(bytes), seconds);
    return Array.from(l, (v, i) => (v + r[i]) / 2);
  }, Array.from(tune), SECONDS);
  const ms = Date.now() - started;
  await browser.close();
  browser = null;
  if (!got)
    throw new Error('the page could not load its synthesizer');
  return { mono: Float32Array.from(got), ms };
}

async function main() {
  const tune = tuneBytes(join(root, 'music/music_data.cpp'));
  const mid = join(dir, 'tune.mid'), font = join(dir, 'ostra.sf2');
  writeFileSync(mid, tune);
  trim(mid, WHOLE, font);
  const render = (sf2, wav) => execFileSync('fluidsynth',
    ['-ni', '-q', '-F', join(dir, wav), '-r', String(RATE), sf2, mid], { stdio: 'ignore' });
  render(WHOLE, 'whole.wav');
  render(font, 'trimmed.wav');
  const whole = wavMono(join(dir, 'whole.wav')), trimmed = wavMono(join(dir, 'trimmed.wav'));
  const worst = largestDifference(whole, trimmed);

  console.log('web sound:');
  console.log(`  soundfont: ${(statSync(WHOLE).size / 1e6).toFixed(1)} MB whole, ` +
    `${(statSync(font).size / 1e6).toFixed(2)} MB trimmed`);
  console.log(`  native FluidSynth, whole against trimmed font: ${whole.length === trimmed.length &&
    worst === 0 ? 'identical' : `largest difference ${worst.toFixed(6)}`}`);

  const page = await pageRender(tune, font);
  // The tune ends at 34.67 s; both renders cover it.
  const n = Math.floor(34.6 * RATE / WINDOW);
  const a = envelope(whole).slice(0, n), b = envelope(page.mono).slice(0, n);
  console.log(`  page (OfflineAudioContext, ${page.ms} ms) against native, RMS per 10 ms: ` +
    `correlation ${correlation(a, b).toFixed(6)}, level ratio ${(mean(b) / mean(a)).toFixed(4)}, ` +
    `largest sample difference ${largestDifference(whole.subarray(0, n * WINDOW),
      page.mono.subarray(0, n * WINDOW)).toFixed(5)} (full scale 1)`);
  console.log(`  first note: native ${onsetMs(whole).toFixed(1)} ms, page ` +
    `${onsetMs(page.mono).toFixed(1)} ms (the tune's 1333.3 ms)`);
}

main().catch(async (e) => {
  if (browser)
    await browser.close();
  console.error(`bench_web_sound: ${e.message}`);
  process.exit(1);
});
