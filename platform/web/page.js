// page.js -- the page around the program: loads its code and the sound behind
// the start gate, starts one instance of the program per run (the gate's click
// or key, or ?autostart), lends it the page's side of its window (the canvas,
// the box, the wait for each frame), and offers the end's choices. The state
// is <body data-state>: loading, ready, running, ended or failed.
// Options: ?autostart skips the gate (the browser may then keep the sound
// off); ?fps=N steps the clock by one frame period per frame, ?until=MS ends
// the run at the first frame at or past MS, as build/ostra-video takes them.
'use strict';

(() => {
  const $ = (id) => document.getElementById(id);
  const params = new URLSearchParams(location.search);
  const sound = globalThis.OstraSound || null;
  const TUNE = '/drive_c/e.mid'; // "c:\e.mid" in the program's file system

  // A whole number from 1 to max, or null.
  function whole(name, max) {
    const text = params.get(name);
    return text !== null && /^[0-9]{1,10}$/.test(text) && +text >= 1 && +text <= max ? text : null;
  }
  const fps = whole('fps', 1000), until = whole('until', 2147483647);
  const args = [].concat(fps ? ['--fps', fps] : [], until ? ['--until', until] : []);

  let state = 'loading';
  let wasm = null; // the program's code, compiled once for every run
  let program = null; // the latest run's instance
  let frames = 0;
  let waiting = null; // ends the program's wait for the next frame, once

  function setState(next) {
    state = next;
    document.body.dataset.state = next;
    $('gate').disabled = next !== 'ready';
    $('again').hidden = $('download').hidden = next !== 'ended';
  }

  function fail(what) {
    console.log('ostra: ' + what);
    $('note').textContent = 'The demo could not run: ' + what;
    setState('failed');
    if (sound)
      sound.stop();
  }

  // What the platform (web_page.cpp) calls while the program runs.
  const page = {
    // Each window is a fresh canvas in place of the last, so that its WebGL
    // context starts from GL's defaults.
    canvas(width, height, title) {
      const canvas = document.createElement('canvas');
      canvas.id = 'canvas';
      canvas.width = width;
      canvas.height = height;
      canvas.setAttribute('aria-label', title);
      const old = $('canvas');
      if (old)
        old.replaceWith(canvas);
      else
        $('screen').prepend(canvas);
      $('caption').textContent = document.title = title;
      return 1;
    },
    // The browser's next frame; a hidden page has none, and its timers then
    // keep the run going, slowly, as a window in the background goes on.
    present() {
      frames++;
      // A frame callback of an earlier wait, ended by a hide, wakes no later one.
      return new Promise((next) => {
        const wake = () => waiting === wake && (waiting = null, next());
        waiting = wake;
        if (document.hidden)
          setTimeout(wake);
        else
          requestAnimationFrame(wake);
      });
    },
    // The program's failure report: modal, until OK.
    box(caption, text, icon) {
      setState('failed');
      $('box-caption').textContent = caption;
      $('box-text').textContent = text;
      $('box').dataset.icon = icon;
      $('box').hidden = false;
      $('box-ok').focus();
      return new Promise((dismissed) => {
        $('box-ok').onclick = () => {
          $('box').hidden = true;
          dismissed();
        };
      });
    },
    ended() {
      if (sound)
        sound.stop();
      if (state === 'running')
        setState('ended');
    },
  };

  function start() {
    if (state !== 'ready' && state !== 'ended')
      return;
    if (sound)
      sound.resume(); // inside the user's gesture, or the browser keeps the sound off
    frames = 0;
    setState('running');
    program = {
      arguments: args,
      page: page,
      instantiateWasm(imports, done) {
        WebAssembly.instantiate(wasm, imports).then((instance) => done(instance, wasm),
                                                     (e) => fail(String(e)));
        return {};
      },
      onAbort: (what) => fail('the program stopped: ' + what),
    };
    OstraProgram(program).catch((e) => fail(String(e)));
  }

  function download() {
    const tune = program.FS.readFile(TUNE);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([tune], { type: 'audio/midi' }));
    link.download = 'e.mid';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }

  // Any key starts the run at the gate, but those the browser or the page
  // keep for themselves.
  function gateKey(e) {
    if (state !== 'ready' || e.repeat || e.ctrlKey || e.altKey || e.metaKey ||
        /^(Escape|Tab|Shift|Control|Alt|Meta|F[0-9]+)$/.test(e.key))
      return;
    e.preventDefault();
    start();
  }

  function progress(fraction) {
    $('progress').value = fraction;
    $('gate-text').textContent = 'loading the sound, ' + Math.round(fraction * 100) + ' %';
  }

  async function load() {
    progress(0);
    const response = await fetch('ostra.wasm');
    if (!response.ok)
      throw new Error('ostra.wasm: ' + response.status);
    // Compiled from the bytes: any server's content type will do.
    const compiled = WebAssembly.compile(await response.arrayBuffer());
    const heard = sound ? sound.load('./', progress) : Promise.resolve(false);
    [wasm] = await Promise.all([compiled, heard]);
    $('gate-text').textContent = 'click or press a key to start';
    setState('ready');
    if (params.has('autostart'))
      start();
  }

  $('gate').addEventListener('click', start);
  $('again').addEventListener('click', start);
  $('download').addEventListener('click', download);
  $('fullscreen').addEventListener('click', () => $('screen').requestFullscreen().catch(() => {}));
  document.addEventListener('keydown', gateKey);
  window.addEventListener('pagehide', () => sound && sound.stop());
  document.addEventListener('visibilitychange', () => document.hidden && waiting && waiting());

  // The page's one interface for tests and benchmarks (README, "The page's
  // interface"): frames presented in the latest run, and the tune file it wrote.
  globalThis.ostra = {
    frames: () => frames,
    tune: () => program.FS.readFile(TUNE),
  };

  load().catch((e) => fail(String(e && e.message || e)));
})();
