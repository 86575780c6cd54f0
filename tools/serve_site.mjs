// serve_site.mjs -- serves a folder of plain static files on 127.0.0.1 until
// it is stopped, and prints its address, then one line per request ("GET
// /page.js 200"): the web page's server for ./web and its tests. Port 0
// takes any free port. Files only, no listings, nothing outside the folder,
// no special headers.
//   node tools/serve_site.mjs build-web/site [port]
import { createReadStream, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, resolve, sep } from 'node:path';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8', '.wasm': 'application/wasm', '.sf2': 'application/octet-stream',
};

const root = resolve(process.argv[2] || '.');
const port = Number(process.argv[3] ?? 8000);

// The file a request names under the root, or null.
function fileFor(url) {
  let path;
  try {
    path = decodeURIComponent(new URL(url, 'http://host').pathname);
  } catch {
    return null;
  }
  if (path.endsWith('/'))
    path += 'index.html';
  const file = resolve(join(root, path));
  if (!file.startsWith(root + sep))
    return null;
  try {
    return statSync(file).isFile() ? file : null;
  } catch {
    return null;
  }
}

const server = createServer((request, response) => {
  const file = request.method === 'GET' || request.method === 'HEAD' ? fileFor(request.url) : null;
  console.log(`${request.method} ${request.url} ${file ? 200 : 404}`);
  if (!file) {
    response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
    return;
  }
  response.writeHead(200, { 'Content-Type': TYPES[extname(file)] || 'application/octet-stream',
                            'Content-Length': statSync(file).size, 'Cache-Control': 'no-cache' });
  if (request.method === 'HEAD')
    response.end();
  else
    createReadStream(file).pipe(response);
});

server.on('error', (e) => {
  console.error(`serve_site: ${e.message}`);
  process.exit(1);
});
server.listen(port, '127.0.0.1', () => {
  console.log(`serving ${root} on http://127.0.0.1:${server.address().port}/ (Ctrl+C stops)`);
});
