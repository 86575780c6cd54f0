// web_sound.js -- the tune's sound in the page: FluidSynth (js-synthesizer's
// AudioWorklet build) with the trimmed FluidR3 soundfont, as the Linux build
// plays it. A plain script that defines one global, OstraSound; it loads the
// rest itself. If anything fails, the sequencer's open fails and the run is
// silent, as on Linux without a soundfont.
//
// The page (web_sound.js and these files beside each other under baseUrl):
//   js-synthesizer.min.js, js-synthesizer.worklet.min.js  node_modules/js-synthesizer/dist/
//   libfluidsynth-2.3.0.js    node_modules/js-synthesizer/externals/ (the wasm is inside)
//   ostra.sf2                 node tools/trim_soundfont.mjs music/music_data.cpp \
//                               /usr/share/sounds/sf2/FluidR3_GM.sf2 SITE/ostra.sf2
// What the page does for sound:
//   OstraSound.load(baseUrl, onProgress) at page load, before the program is
//     started: resolves true when the synthesizer holds the soundfont, false
//     (never rejects) when something failed; onProgress(fraction) from 0 to 1.
//     The sequencer's open waits for this load to settle.
//   OstraSound.resume() inside the user's gesture that starts the run, so that
//     the browser lets the audio run.
//   OstraSound.stop() when the run ends or the page is left: silence at once.
// How a test hears it: OstraSound.onset() is the time in ms from the latest
// play to the first sound, or -1 while none was heard (1333 ms: the first
// bar is silent). OstraSound.render(tune, seconds) renders a tune through the
// same synthesizer offline (OfflineAudioContext) for the sound figure.
// The program's sequencer (web_sequencer.cpp) calls open, play and close.
'use strict';

globalThis.OstraSound = (() => {
  const FONT = 'ostra.sf2';
  const MAIN = 'js-synthesizer.min.js';
  const WORKLET = ['libfluidsynth-2.3.0.js', 'js-synthesizer.worklet.min.js'];
  // FluidSynth's own defaults, as the Linux build plays: its sample rate and
  // gain (js-synthesizer alone would take 0.5).
  const RATE = 44100;
  const SETTINGS = { initialGain: 0.2 };
  // A sound is what stands above FluidSynth's reverb noise floor.
  const FLOOR = 1e-4;

  let base = null;
  let loading = null;
  let context = null, synth = null, analyser = null;
  let font = null; // the soundfont's bytes, for each open's fresh synthesizer
  let generation = 0; // each open, play, close and stop makes the end of an older play no end
  let playedAt = 0, onsetMs = -1, watcher = 0;

  function script(url) {
    return new Promise((resolve, reject) => {
      const s = document.createElement('script');
      s.src = url;
      s.onload = resolve;
      s.onerror = () => reject(new Error(`${url} did not load`));
      document.head.appendChild(s);
    });
  }

  async function fetchFont(onProgress) {
    const response = await fetch(new URL(FONT, base));
    if (!response.ok)
      throw new Error(`${FONT}: ${response.status}`);
    const total = Number(response.headers.get('Content-Length')) || 0;
    const reader = response.body.getReader();
    const parts = [];
    let got = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done)
        break;
      parts.push(value);
      got += value.length;
      if (total) // a compressed transfer counts fewer bytes than it delivers
        onProgress(Math.min(got / total, 1) * 0.95);
    }
    const font = new Uint8Array(got);
    for (let i = 0, at = 0; i < parts.length; at += parts[i].length, i++)
      font.set(parts[i], at);
    return font.buffer;
  }

  // The synthesizer on `ctx`'s audio thread, holding the soundfont.
  async function synthesizer(ctx, bytes) {
    for (const name of WORKLET)
      await ctx.audioWorklet.addModule(new URL(name, base).href);
    const s = new JSSynth.AudioWorkletNodeSynthesizer();
    s.init(ctx.sampleRate);
    const node = s.createAudioNode(ctx, SETTINGS);
    s.handleLoggingChanged(0); // FluidSynth logs nothing, as on Linux
    if (await s.loadSFont(bytes) < 0)
      throw new Error(`${FONT} is no soundfont`);
    return { synth: s, node };
  }

  async function start(baseUrl, onProgress) {
    try {
      base = new URL(baseUrl || './', document.baseURI);
      // Made now, so that the gesture's resume() finds it.
      context = new AudioContext({ sampleRate: RATE, latencyHint: 'interactive' });
      [font] = await Promise.all([fetchFont(onProgress), script(new URL(MAIN, base).href)]);
      const made = await synthesizer(context, font);
      analyser = context.createAnalyser();
      analyser.fftSize = 32768; // 0.74 s: the onset is found between two frames of a slow page
      made.node.connect(analyser);
      analyser.connect(context.destination);
      synth = made.synth;
      onProgress(1);
      return true;
    } catch (e) {
      return false;
    }
  }

  // Looks for the first sample above the floor since the play, between the
  // program's frames; the analyser holds the latest samples as rendered.
  function watch() {
    clearInterval(watcher);
    const data = new Float32Array(analyser.fftSize);
    watcher = setInterval(() => {
      analyser.getFloatTimeDomainData(data);
      const now = context.currentTime;
      const from = Math.max(0, Math.round(data.length - (now - playedAt) * RATE));
      for (let i = from; i < data.length; i++) {
        if (Math.abs(data[i]) > FLOOR) {
          onsetMs = (now - playedAt - (data.length - i) / RATE) * 1000;
          clearInterval(watcher);
          return;
        }
      }
    }, 20);
  }

  // The synthesizer is made anew, empty: neither a reset nor all sounds off
  // cuts FluidSynth's reverb, whose tail would open the next run's tune.
  function silence() {
    generation++;
    clearInterval(watcher);
    if (synth)
      synth.close();
  }

  return {
    load(baseUrl, onProgress) {
      if (!loading)
        loading = start(baseUrl, onProgress || (() => {}));
      return loading;
    },
    resume() {
      return context ? context.resume().catch(() => {}) : Promise.resolve();
    },
    stop: silence,
    onset() {
      return onsetMs;
    },

    // The sequencer's device. `tune` is a Standard MIDI File the caller
    // has checked; true when a fresh synthesizer holds it, stopped at its
    // start, as a fresh Linux process would.
    async open(tune) {
      if (!loading || !(await loading))
        return false;
      silence();
      try {
        await synth.loadSFont(font);
        await synth.resetPlayer();
        await synth.addSMFDataToPlayer(tune.slice().buffer);
        return true;
      } catch (e) {
        return false;
      }
    },
    // From the start, now; onEnd() when the tune has played to its end,
    // unless another play, a close or a stop came first.
    play(onEnd) {
      const g = ++generation;
      synth.stopPlayer();
      synth.seekPlayer(0);
      synth.playPlayer()
        .then(() => synth.waitForPlayerStopped())
        .then(() => g === generation && onEnd(), () => {});
      playedAt = context.currentTime;
      onsetMs = -1;
      watch();
    },
    close: silence,

    // `tune` played through the page's synthesizer into an OfflineAudioContext
    // of `seconds`: the left and right samples. After a load that resolved true.
    async render(tune, seconds) {
      const ctx = new OfflineAudioContext(2, Math.ceil(seconds * RATE), RATE);
      const made = await synthesizer(ctx, font);
      made.node.connect(ctx.destination);
      await made.synth.addSMFDataToPlayer(tune.slice().buffer);
      await made.synth.playPlayer();
      const out = await ctx.startRendering();
      return [out.getChannelData(0), out.getChannelData(1)];
    },
  };
})();
