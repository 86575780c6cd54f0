// trim_soundfont.mjs -- the web page's soundfont: FluidR3 cut down to the
// presets, keys and velocities that the program's tune plays, so that the page
// downloads 4.5 MB instead of 148 MB. Native FluidSynth renders the tune from
// the trimmed font exactly as from the whole one (bench/bench_web_sound.mjs).
//
//   node tools/trim_soundfont.mjs music/music_data.cpp /usr/share/sounds/sf2/FluidR3_GM.sf2 OUT.sf2
//
// The tune is read from the program's own source (music_data.cpp), or from a
// .mid file. Takes spessasynth_core from platform/web/node_modules (npm ci).
import { readFileSync, renameSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const web = createRequire(new URL('../platform/web/package.json', import.meta.url));
const { BasicMIDI, SoundBankLoader, SpessaLog } = await import(
  pathToFileURL(web.resolve('spessasynth_core')).href);

// The tune's bytes: a Standard MIDI File as it stands, or the hex bytes of the
// C array that holds one.
export function tuneBytes(path) {
  const file = readFileSync(path);
  if (file.subarray(0, 4).toString('latin1') === 'MThd')
    return new Uint8Array(file);
  const text = file.toString('latin1');
  const hex = text.slice(text.indexOf('{')).match(/0x[0-9A-Fa-f]{2}/g) || [];
  const bytes = Uint8Array.from(hex, (h) => parseInt(h, 16));
  if (bytes.length < 14 || String.fromCharCode(...bytes.subarray(0, 4)) !== 'MThd')
    throw new Error(`${path}: no MIDI file in it`);
  return bytes;
}

export function trim(tunePath, fontPath, outPath) {
  SpessaLog.setLogLevel(false, false, false); // warnings name every unused channel
  const tune = tuneBytes(tunePath);
  const font = readFileSync(fontPath);
  const bank = SoundBankLoader.fromArrayBuffer(
    font.buffer.slice(font.byteOffset, font.byteOffset + font.length));
  const used = BasicMIDI.fromArrayBuffer(tune.slice().buffer).getUsedProgramsAndKeys(bank);
  if (used.size === 0)
    throw new Error(`${tunePath}: the tune plays no preset of ${fontPath}`);
  bank.trim(used);
  const out = new Uint8Array(bank.writeSF2({ software: 'ostra velumin' }));
  // Written under another name first: a build stopped halfway leaves no font
  // that looks finished.
  writeFileSync(`${outPath}.part`, out);
  renameSync(`${outPath}.part`, outPath);
  return { presets: used.size, bytes: out.length };
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const [tunePath, fontPath, outPath] = process.argv.slice(2);
  if (!outPath) {
    console.error('usage: node tools/trim_soundfont.mjs TUNE(.cpp|.mid) FONT.sf2 OUT.sf2');
    process.exit(2);
  }
  try {
    const { presets, bytes } = trim(tunePath, fontPath, outPath);
    console.log(`${outPath}: ${presets} presets, ${(bytes / 1e6).toFixed(2)} MB`);
  } catch (e) {
    console.error(`trim_soundfont: ${e.message}`);
    process.exit(1);
  }
}
