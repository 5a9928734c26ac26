// SPDX-License-Identifier: MIT
// Plans in the page's engine and on the command line give the same bytes: a DXF drawing read
// into a project (--dxf), points placed (--place) and written out as a drawing (--export-dxf),
// for drawings of several kinds written by ezdxf, and the same refusals for drawings that
// cannot be read.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { cliPath, loadEngine } from './engine.mjs';
import { root } from './paths.mjs';

const module = await loadEngine();
if (!existsSync(cliPath)) throw new Error(`the command line is missing (cmake --build --preset dev): ${cliPath}`);
const folder = mkdtempSync(join(tmpdir(), 'extcalc-plan-same-'));
process.on('exit', () => rmSync(folder, { recursive: true, force: true }));
const fixtures = join(root, 'tests', 'plan', 'dxf');

/** A drawing made by one of the ezdxf scripts, into the scratch folder. */
function made(script, name, ...args) {
  const path = join(folder, name);
  execFileSync('/usr/bin/python3', [script, path, ...args]);
  return path;
}
const office = (name, ...args) => made(join(root, 'web', 'tests', 'fixtures', 'office_floor.py'), name, ...args);

function cli(...args) {
  const run = spawnSync(cliPath, args, { maxBuffer: 1 << 28 });
  return { status: run.status, out: run.stdout, err: run.stderr.toString('utf8') };
}

/** The command line's --dxf, or its refusal. */
function cliImport(dxf, layer, units) {
  const out = join(folder, 'imported.exdesign');
  rmSync(out, { force: true });
  const run = cli('--dxf', dxf, '--layer', layer, '--standard', '2005', '--out', out, ...(units ? ['--units', units] : []));
  return { ...run, project: run.status === 0 ? readFileSync(out, 'utf8') : undefined };
}

function cliPlace(text) {
  const from = join(folder, 'from.exdesign');
  const to = join(folder, 'placed.exdesign');
  writeFileSync(from, text);
  rmSync(to, { force: true });
  const run = cli('--project', from, '--place', '--out', to);
  return { ...run, project: existsSync(to) ? readFileSync(to, 'utf8') : undefined };
}

function cliExport(text, units) {
  const from = join(folder, 'export.exdesign');
  const to = join(folder, 'points.dxf');
  writeFileSync(from, text);
  rmSync(to, { force: true });
  const run = cli('--project', from, '--export-dxf', to, ...(units ? ['--units', units] : []));
  return { ...run, bytes: existsSync(to) ? readFileSync(to) : undefined };
}

function engineExport(text, units) {
  const out = module.exportDxf(text, units);
  if (out.error !== undefined) return { error: out.error };
  return { bytes: Buffer.from(out.bytes), skipped: JSON.parse(out.skipped) };
}

/** Import, place and export through both, byte for byte; gives what the engine said. */
function assertSameAllTheWay(dxf, layer, units, what) {
  const bytes = new Uint8Array(readFileSync(dxf));
  const a = cliImport(dxf, layer, units);
  const b = JSON.parse(module.importDxf(bytes, layer, units));
  for (const warning of b.warnings) assert.ok(a.err.includes(`警告：${warning}`), `${what}: the command line does not warn “${warning}”\n${a.err}`);
  assert.equal((a.err.match(/警告：/g) ?? []).length, b.warnings.length, `${what}: warnings\n${a.err}`);
  for (const note of b.notes) assert.ok(a.err.includes(`注意：${note}`), `${what}: the command line does not note “${note}”`);
  assert.equal((a.err.match(/注意：/g) ?? []).length, b.notes.length, `${what}: notes\n${a.err}`);
  if (a.status !== 0) {
    assert.equal(a.status, 2, `${what}: ${a.err}`);
    assert.ok(b.error, `${what}: the command line refuses the drawing, the engine reads it`);
    assert.ok(a.err.includes(b.error), `${what}: refused for another reason:\n${a.err}\n${b.error}`);
    return { refused: b.error };
  }
  assert.equal(b.error, undefined, `${what}: the engine refuses it: ${b.error}`);
  assert.equal(b.project, a.project, `${what}: the imported projects differ`);
  assert.ok(a.err.includes(`新计算单元 ${b.added} 个，并入同名计算单元 ${b.joined} 个`), `${what}: ${a.err}`);

  const placedCli = cliPlace(a.project);
  const placed = module.placeProject(b.project);
  assert.ok(!placed.startsWith('!'), `${what}: ${placed}`);
  assert.equal(placed, placedCli.project, `${what}: the placed projects differ`);

  for (const exportUnits of ['', 'm']) {
    const e = cliExport(placed, exportUnits);
    const f = engineExport(placed, exportUnits);
    assert.ok(f.bytes && e.bytes, `${what}: no drawing written`);
    assert.ok(f.bytes.equals(e.bytes), `${what}, --units ${exportUnits || 'mm'}: the exported drawings differ`);
    assert.equal(e.status, f.skipped.length > 0 ? 1 : 0, `${what}: ${e.err}`);
    for (const name of f.skipped) assert.ok(e.err.includes(`“${name}”有错误`), `${what}: ${name}`);
  }
  return { project: b.project, placed, warnings: b.warnings, added: b.added };
}

const unitCount = (text) => JSON.parse(text).units.length;

test('drawings of several kinds: read, placed and exported as the command line does', () => {
  const cases = [
    // [drawing, layer, units, rooms as units, what the case is about]
    [join(fixtures, 'floor-r12.dxf'), '房间', 'mm', 3, 'R12 polylines in mm, an L with a column, an unnamed room'],
    [join(fixtures, 'floor-2018.dxf'), 'ROOMS', '', 4, '2018 with $INSUNITS, a ring round a core, one room in two polylines'],
    [join(fixtures, 'floor-2018.dxf'), 'rooms', 'mm', 4, 'the layer named in another case, the unit given as the drawing states it'],
    // Rooms 30 km wide: read as told, though no wall reaches their middle.
    [join(fixtures, 'floor-2018.dxf'), 'ROOMS', 'm', 4, 'the unit given against the drawing\'s: the user decides'],
    [office('office.dxf'), '房间', '', 14, 'the office floor: TEXT and MTEXT, an L-shaped hall, an office round a core'],
    [office('office-r12.dxf', '--r12'), '房间', 'mm', 14, 'the office floor as R12'],
    [office('office-unitless.dxf', '--unitless'), '房间', 'mm', 14, 'a drawing that does not state its unit'],
    [office('office-furniture.dxf'), '家具', '', 6, 'closed outlines without names: each named and warned of'],
    [made(join(root, 'bench', 'make-dxf-floor.py'), 'grid.dxf', '30'), 'ROOMS', '', 30, 'thirty rooms, every fifth an L, every seventh with a column'],
  ];
  for (const [dxf, layer, units, rooms, what] of cases) {
    const got = assertSameAllTheWay(dxf, layer, units, what);
    assert.equal(got.refused, undefined, `${what}: ${got.refused}`);
    assert.equal(unitCount(got.project), rooms, what);
    // Placing gives every room of a building's size its points.
    const placed = JSON.parse(got.placed).units;
    if (units !== 'm') assert.ok(placed.every((unit) => unit.points_at !== ''), `${what}: a unit without points`);
  }
});

test('every drawing of tests/plan/dxf on the layer the page proposes: the same outcome', () => {
  const outcomes = new Set();
  const drawings = readdirSync(fixtures).filter((f) => f.endsWith('.dxf'));
  assert.ok(drawings.length >= 10, drawings.join());
  for (const name of drawings) {
    const summary = JSON.parse(module.dxfSummary(new Uint8Array(readFileSync(join(fixtures, name)))));
    if (summary.error) {
      outcomes.add('unreadable');
      continue;
    }
    const layer = summary.layers[summary.likely];
    assert.ok(layer, `${name}: ${JSON.stringify(summary)}`);
    // Drawings that do not state their unit are in millimetres, as the page would be told.
    const units = summary.metresPerUnit === null ? 'mm' : '';
    const got = assertSameAllTheWay(join(fixtures, name), layer.name, units, name);
    // A layer without a closed outline (the page says so before importing) is refused here too.
    assert.ok(layer.outlines > 0 || got.refused, `${name}: read from a layer without closed outlines`);
    outcomes.add(got.refused ? 'refused' : 'read');
  }
  assert.ok(outcomes.has('read') && outcomes.has('refused'), [...outcomes].join());
});

test('drawings the command line refuses, the engine refuses for the same reason', () => {
  const refusals = new Set();
  const cases = [
    [join(fixtures, 'bad-truncated.dxf'), 'ROOMS', ''],
    [join(fixtures, 'bad-binary.dxf'), 'ROOMS', ''],
    [join(fixtures, 'bad-open.dxf'), 'ROOMS', ''],
    [join(fixtures, 'bad-crossed.dxf'), 'ROOMS', ''],
    [join(fixtures, 'bad-huge.dxf'), 'ROOMS', ''],
    [join(fixtures, 'floor-2018.dxf'), '没有这个图层', ''],
    [office('office-walls.dxf'), '墙', ''],
    [office('office-r12-nounit.dxf', '--r12'), '房间', ''],
    [join(fixtures, 'floor-2018.dxf'), 'ROOMS', 'ft'],
  ];
  for (const [dxf, layer, units] of cases) {
    const got = assertSameAllTheWay(dxf, layer, units, `${dxf} ${layer} ${units}`);
    assert.ok(got.refused, `${dxf} on ${layer} is read`);
    refusals.add(got.refused);
  }
  assert.equal(refusals.size, cases.length, [...refusals].join('\n'));
});

test('placing: a project placed twice stays; the other standard and non-projects are refused', () => {
  const sample = readFileSync(join(root, 'examples', 'building.exdesign'), 'utf8');
  const placed = module.placeProject(sample);
  assert.equal(placed, cliPlace(sample).project, 'a project without plans is written as it is');
  const { placed: once } = assertSameAllTheWay(office('office-twice.dxf'), '房间', '', 'twice');
  assert.equal(module.placeProject(once), once, 'points that pass stay');

  const engine = new module.Engine();
  assert.ok(engine.reset('GBJ140-90'));
  const classic = engine.projectText();
  for (const text of [classic, '{', '']) {
    const refusal = module.placeProject(text);
    assert.ok(refusal.startsWith('!'), JSON.stringify(text));
    const run = cliPlace(text);
    assert.equal(run.status, 2);
    assert.ok(run.err.includes(refusal.slice(1).replace(/^工程/, '')), `${run.err} / ${refusal}`);
  }
});

test('exporting: units in error are left out and named, as the command line names them', () => {
  const { placed } = assertSameAllTheWay(office('office-export.dxf'), '房间', '', 'export');
  const project = JSON.parse(placed);
  project.units[1].area = '-5';
  project.units[3].extinguisher = 'MF4';
  const text = JSON.stringify(project, null, 2);
  const e = cliExport(text, '');
  const f = engineExport(text, '');
  assert.deepEqual(f.skipped, [project.units[1].name, project.units[3].name]);
  assert.ok(f.bytes.equals(e.bytes));
  assert.equal(e.status, 1);
  assert.equal(engineExport('{', '').error !== undefined, true);
  assert.ok(engineExport(text, 'ft').error.includes('ft'));
});
