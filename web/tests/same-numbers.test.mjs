// SPDX-License-Identifier: MIT
// The page's engine and the command line give the same bytes for the same project: the
// examples, the fuzz corpus's projects and generated ones of both standards that use every
// item of every list, with errors and warnings among them.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { cliPath, loadEngine } from './engine.mjs';
import { root } from './paths.mjs';

const module = await loadEngine();
if (!existsSync(cliPath)) throw new Error(`the command line is missing (cmake --build --preset dev): ${cliPath}`);
const folder = mkdtempSync(join(tmpdir(), 'extcalc-same-'));
process.on('exit', () => rmSync(folder, { recursive: true, force: true }));

function cli(text) {
  const file = join(folder, 'project.exdesign');
  writeFileSync(file, text);
  const run = spawnSync(cliPath, ['--project', file, '--json'], { encoding: 'utf8', maxBuffer: 1 << 28 });
  return { status: run.status, out: run.stdout, err: run.stderr };
}

function engine(text) {
  const out = module.evaluateProject(text);
  return out.startsWith('!') ? { refusal: out.slice(1) } : { out };
}

function assertSame(text, what) {
  const a = cli(text);
  const b = engine(text);
  if (a.status === 2) {
    assert.ok(b.refusal !== undefined, `${what}: the command line refuses it, the page computes it`);
    assert.ok(a.err.includes(b.refusal), `${what}: refused for another reason:\n${a.err}\n${b.refusal}`);
    return 'refused';
  }
  assert.equal(b.refusal, undefined, `${what}: the page refuses it: ${b.refusal}`);
  assert.equal(b.out, a.out, `${what}: the outputs differ`);
  return a.status === 1 ? 'failed' : 'ok';
}

// A small fixed generator, so that a difference can be found again.
function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

const numbers = ['0', '1', '12.5', '60', '380', '1950', '99999', '1e3', '-5', '', '0.001', '三百', '1.0E+20', '7', '2'];

/** The units of the stored projects of a standard: sound answers to start from. */
function baseUnits(code) {
  const units = [];
  for (const file of [join(root, 'examples', 'building.exdesign'),
    ...readdirSync(join(root, 'fuzz', 'corpus', 'project_reader')).map((f) => join(root, 'fuzz', 'corpus', 'project_reader', f))]) {
    const work = new module.Engine();
    if (work.open(readFileSync(file, 'utf8')) !== '' || JSON.parse(work.schema()).standard !== code) continue;
    for (const row of JSON.parse(work.rows(0, work.size()))) if (!row.failed) units.push(row.cells);
  }
  assert.ok(units.length > 0, `no sound unit of ${code} to start from`);
  return units;
}

/** A project of the standard whose units use every item of every list: each row starts
 *  from a sound unit and changes one column in turn, and now and then another. */
function generated(code, seed, count) {
  const next = random(seed);
  const pick = (items) => items[Math.floor(next() * items.length)];
  const work = new module.Engine();
  assert.ok(work.reset(code));
  const schema = JSON.parse(work.schema());
  const editable = schema.inputs.map((column, c) => c).filter((c) => schema.inputs[c].kind !== 'name');
  const used = new Map(editable.map((c) => [c, 0]));
  const bases = baseUnits(code);
  for (let row = 0; row < count; ++row) {
    work.insert(row, JSON.stringify([pick(bases)]));
    work.setCell(row, 0, `单元 ${row + 1}`);
    const change = (c) => {
      const items = JSON.parse(work.choices(row, c)).map((choice) => choice.item);
      if (items.length > 0 && (schema.inputs[c].kind === 'choice' || next() < 0.8)) {
        const n = used.get(c);
        used.set(c, n + 1);
        work.setCell(row, c, n < items.length ? items[n] : next() < 0.1 ? '' : pick(items));
      } else {
        work.setCell(row, c, pick(numbers));
      }
    };
    change(editable[row % editable.length]);
    if (next() < 0.4) change(pick(editable));
  }
  return work.projectText();
}

test('the examples', () => {
  const folderPath = join(root, 'examples');
  const files = readdirSync(folderPath).filter((f) => f.endsWith('.exdesign'));
  assert.ok(files.length > 0);
  for (const file of files) assertSame(readFileSync(join(folderPath, file), 'utf8'), file);
});

test('the fuzz corpus projects, readable or refused', () => {
  const folderPath = join(root, 'fuzz', 'corpus', 'project_reader');
  const outcomes = new Set();
  for (const file of readdirSync(folderPath)) {
    outcomes.add(assertSame(readFileSync(join(folderPath, file), 'utf8'), file));
  }
  assert.ok(outcomes.has('refused') && outcomes.has('ok'), [...outcomes].join());
});

test('generated projects of both standards, errors and warnings among them', () => {
  const seen = new Set();
  for (const [code, seed] of [['GB 50140-2005', 1], ['GB 50140-2005', 2], ['GBJ140-90', 3], ['GBJ140-90', 4]]) {
    const text = generated(code, seed, 150);
    seen.add(`${code} ${assertSame(text, `${code}, seed ${seed}`)}`);
    const results = JSON.parse(module.evaluateProject(text));
    assert.ok(results.some((unit) => unit.error), `${code}: no unit with an error`);
    assert.ok(results.some((unit) => !unit.error), `${code}: no unit computed`);
  }
  assert.ok(seen.size >= 2, [...seen].join());
});

test('refusals the page shows are the library\'s own', () => {
  for (const text of ['', '{', '[]', '{"format":"extinguisher-design","version":99}']) {
    assertSame(text, JSON.stringify(text));
  }
});
